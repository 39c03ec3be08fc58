#include "ui/main/ListCommand.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "ui/common/MessageBox.h"
#include "ui/main/AccountRecords.h"

#include <windows.h>

#include <algorithm>

namespace ui {

namespace {

constexpr wchar_t kNowhereText[] =
    L"Quillane /list prints the restore list to the command prompt it was started from, or to "
    L"a file: quillane.exe /list > folders.txt";

// Pieces small enough for any console and any pipe.
constexpr size_t kPieceChars = 8192;

bool WriteBytes(HANDLE output, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min(bytes.size() - done, kPieceChars));
        DWORD written = 0;
        if (!WriteFile(output, bytes.data() + done, piece, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

bool WriteConsoleText(HANDLE console, const std::wstring& text) {
    for (size_t done = 0; done < text.size();) {
        const DWORD piece = static_cast<DWORD>(std::min(text.size() - done, kPieceChars));
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data() + done, piece, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// A handle that writes somewhere: a file, a pipe or a console.
bool Usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

enum class Printed { Done, Failed, Nowhere };

Printed Print(const std::wstring& text) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (Usable(output)) {
        // A console handle takes the text as it is; a device such as NUL
        // answers FILE_TYPE_CHAR too, and takes bytes.
        if (GetFileType(output) == FILE_TYPE_CHAR && WriteConsoleText(output, text))
            return Printed::Done;
        return WriteBytes(output, platform::ToUtf8(text)) ? Printed::Done : Printed::Failed;
    }
    // A program of the window subsystem gets no console of its own: the
    // prompt's is borrowed.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return Printed::Nowhere;
    const platform::FileHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    const bool written = console && WriteConsoleText(console.get(), text);
    FreeConsole();
    return written ? Printed::Done : Printed::Failed;
}

} // namespace

bool RecordFolders(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                   std::vector<std::wstring>& folders) {
    RecordSet record =
        allUsers ? RecordSet::EveryAccount(appFolder, perUserRoot, platform::ProfileFolder())
                 : RecordSet(appFolder, perUserRoot);
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
