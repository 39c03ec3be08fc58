#include "ui/main/ListCommand.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Shell.h"
#include "ui/common/MessageBox.h"
#include "ui/main/AccountRecords.h"
#include "ui/main/StandardText.h"

#include <windows.h>

namespace ui {

namespace {

constexpr wchar_t kNowhereText[] =
    L"Quillane /list prints the restore list to the command prompt it was started from, or to "
    L"a file: quillane.exe /list > folders.txt";

enum class Printed { Done, Failed, Nowhere };

Printed Print(const std::wstring& text) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (UsableHandle(output))
        return WriteText(output, text) ? Printed::Done : Printed::Failed;
    // A program of the window subsystem gets no console of its own: the
    // prompt's is borrowed.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return Printed::Nowhere;
    const platform::FileHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    const bool written = console && WriteText(console.get(), text);
    FreeConsole();
    return written ? Printed::Done : Printed::Failed;
}

} // namespace

bool RecordFolders(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                   std::vector<std::wstring>& folders) {
    // Only read: nothing is made, not even where the program may write.
    constexpr auto kRead = engine::RecordAccess::ReadOnly;
    RecordSet record =
        allUsers ? RecordSet::EveryAccount(appFolder, perUserRoot, platform::ProfileFolder(), kRead)
                 : RecordSet(appFolder, perUserRoot, kRead);
    if (!record.Load())
        return false;
    folders = record.FolderNames();
    return true;
}

int PrintRecord(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                bool quiet) {
    std::wstring text;
    try {
        std::vector<std::wstring> folders;
        if (!RecordFolders(appFolder, perUserRoot, allUsers, folders)) {
            if (!quiet)
                ShowMessage(nullptr, L"The restore list could not be read: " +
                                         platform::ErrorText(GetLastError()));
            return kListNotPrinted;
        }
        for (const auto& folder : folders)
            text += folder + L"\r\n";
    } catch (...) {
        return kListNotPrinted;
    }
    const Printed printed = Print(text);
    if (printed == Printed::Nowhere && !quiet)
        ShowMessage(nullptr, kNowhereText, MB_ICONINFORMATION);
    return printed == Printed::Done ? kListDone : kListNotPrinted;
}

} // namespace ui
