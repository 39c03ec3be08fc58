#include "ui/main/StandardText.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace ui {

namespace {

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

} // namespace

bool UsableHandle(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool WriteText(HANDLE output, const std::wstring& text) {
    // A console handle takes the text as it is; a device such as NUL
    // answers FILE_TYPE_CHAR too, and takes bytes.
    if (GetFileType(output) == FILE_TYPE_CHAR && WriteConsoleText(output, text))
        return true;
    return WriteBytes(output, platform::ToUtf8(text));
}

} // namespace ui
