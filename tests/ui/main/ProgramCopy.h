#pragma once
// The real program, started as a child process from a copy in a test's
// application folder (where it keeps its list).
#include <windows.h>

#include <string>

namespace testing_support {

// The copy is started with its folder as the current folder (or the given
// one), its standard output and error an inheritable handle where given; hProcess is
// null when it could not start. The thread handle is closed.
PROCESS_INFORMATION StartProgramCopy(const std::wstring& appFolder, const std::wstring& arguments,
                                     const wchar_t* name = L"quillane.exe",
                                     const std::wstring& currentFolder = {},
                                     HANDLE output = nullptr);

// quillane.exe copied into the application folder and started there; ended
// by force if it still runs when the object goes.
class Program {
  public:
    Program(const std::wstring& appFolder, const std::wstring& arguments,
            const wchar_t* name = L"quillane.exe", const std::wstring& currentFolder = {},
            HANDLE output = nullptr)
        : pi_(StartProgramCopy(appFolder, arguments, name, currentFolder, output)) {}
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Ended(DWORD ms = 30000) const;
    DWORD Id() const { return pi_.dwProcessId; }
    // The exit code once it ended by itself; STILL_ACTIVE (259) if it did not.
    DWORD ExitCode(DWORD ms = 30000) const;
    // Its first visible top-level window of the class, once it shows; the main
    // window once it has read the list too (Apply is enabled then).
    HWND Window(const wchar_t* className, DWORD ms = 20000) const;

  private:
    PROCESS_INFORMATION pi_{};
};

// The child control of another process's window with that id, or null.
HWND ChildControl(HWND window, int id);

// Another process's message box: its text, then OK.
std::wstring AnswerBox(const Program& program);

} // namespace testing_support
