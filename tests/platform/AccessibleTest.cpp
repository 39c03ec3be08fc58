#include "platform/Accessible.h"

#include "platform/Ole.h"

#include "tests/support/Accessibility.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
    if (message == WM_SETTEXT)
        ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(window, message, wParam, lParam);
}

HWND NewEdit(HWND parent) {
    return CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

// The status line is subclassed by the common controls after its name is set.
TEST(AccessibleName, AnsweredBeneathAnotherSubclassAndForgottenWithItsControl) {
    const platform::ScopedOleInitialize ole;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND edit = NewEdit(parent);
    ASSERT_TRUE(platform::SetAccessibleName(edit, L"Folder"));
    int texts = 0;
    ASSERT_TRUE(SetWindowSubclass(edit, CountingProc, 1, reinterpret_cast<DWORD_PTR>(&texts)));
    SetWindowTextW(edit, L"C:\\Data");
    wchar_t text[16] = {};
    GetWindowTextW(edit, text, 16);
    EXPECT_EQ(texts, 1);
    EXPECT_STREQ(text, L"C:\\Data");
    ASSERT_TRUE(platform::SetAccessibleDescription(edit, L"The folder to change"));
    EXPECT_EQ(testing_support::AccessibleName(edit), L"Folder");
    EXPECT_EQ(testing_support::AccessibleDescription(edit), L"The folder to change");

    DestroyWindow(edit);
    HWND next = NewEdit(parent);
    ASSERT_TRUE(platform::SetAccessibleName(next, L"Icon file"));
    EXPECT_EQ(testing_support::AccessibleName(next), L"Icon file");
    EXPECT_EQ(testing_support::AccessibleDescription(next), L"");
    DestroyWindow(parent);
}
