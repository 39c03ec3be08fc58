#pragma once
// The menu DLL copied into a test's application folder beside quillane.exe
// (or the argument probe under that name), registered through its own
// DllRegisterServer and made through CoCreateInstance, as Explorer makes it.
#include "platform/ComPtr.h"
#include "tests/support/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include <vector>

namespace testing_support {

// The built program and DLL, as Windows paths.
std::wstring BuiltPath(const char* unixPath);

// The selection's data object as Explorer's shell folder makes it: the named
// items of one parent folder.
platform::ComPtr<IDataObject> ShellData(const std::wstring& parent,
                                        const std::vector<std::wstring>& names);
// A data object holding only CF_HDROP with these paths.
platform::ComPtr<IDataObject> DropData(const std::vector<std::wstring>& paths);

// The text of each item of a menu, "-" for a separator.
std::vector<std::wstring> Labels(HMENU menu);
HMENU Submenu(HMENU menu, int position);
// The colour at the centre of a menu item's bitmap (0x00BBGGRR), or
// CLR_INVALID when it has none.
COLORREF SwatchCentre(HMENU menu, int position);

// Waits for every quillane.exe that this process started to end.
bool WaitForStartedPrograms(DWORD ms = 60000);
// A message box titled "Quillane" of this process, once it shows.
HWND WaitForOwnBox(DWORD ms);

class MenuFixture : public ::testing::Test {
  protected:
    // probe: the argument probe stands in for quillane.exe.
    explicit MenuFixture(bool probe = false) : probe_(probe) {}
    void SetUp() override;
    void TearDown() override;

    // A new handler initialised with the data object (or the folder's
    // background for null data and a folder).
    platform::ComPtr<IContextMenu> Handler(IDataObject* data, const std::wstring& background = {});
    // The handler's items in a new menu; the HRESULT's count in added.
    HMENU Menu(IContextMenu* handler, UINT& added, UINT flags = CMF_NORMAL);
    // Runs a command by offset or verb; no window owns it unless given.
    HRESULT Invoke(IContextMenu* handler, UINT offset, HWND owner = nullptr);
    HRESULT Invoke(IContextMenu* handler, const char* verb);
    // The exported function of the DLL copy that COM loaded.
    HRESULT CanUnloadNow() const;
    std::wstring ListFile() const { return appDir / L"Fldr.dll"; }

    static constexpr UINT kFirstId = 100;
    TempDir appDir, data;
    std::wstring dll;

  private:
    bool probe_;
    HMODULE loaded_ = nullptr;
    std::vector<HMENU> menus_;
};

} // namespace testing_support
