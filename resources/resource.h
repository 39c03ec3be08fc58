#pragma once
// Resource identifiers shared by the .rc file and the code.
#define IDI_QUILLANE 1
#define IDC_HAND_POINTER 101
// Artwork: banner logo, title picture (JPEG as RCDATA), Help picture, and the
// vendor picture of the About window.
#define IDB_LOGO 102
#define IDR_TITLE_JPEG 103
#define IDB_HELP 104
#define IDB_VENDOR 105
