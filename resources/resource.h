#pragma once
// Resource identifiers shared by the .rc file and the code.
#define IDI_QUILLANE 1
#define IDC_HAND_POINTER 101
