#include "tests/support/UnixSide.h"

#include <windows.h>

namespace testing_support {

std::string UnixPath(const std::wstring& path) {
    using GetUnixName = char*(CDECL*)(const wchar_t*);
    auto get = reinterpret_cast<GetUnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = get ? get(path.c_str()) : nullptr;
    std::string text = name ? name : "";
    if (name)
        HeapFree(GetProcessHeap(), 0, name);
    return text;
}

bool RunUnix(const std::vector<std::string>& argv) {
    using Spawn = LONG(CDECL*)(char* const*, int);
    auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn || argv.empty())
        return false;
    std::vector<std::string> copy = argv;
    std::vector<char*> pointers;
    for (auto& argument : copy) {
        if (argument.empty())
            return false;
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return spawn(pointers.data(), TRUE) == 0;
}

bool MakeUnixLink(const std::wstring& target, const std::wstring& link) {
    return RunUnix({"ln", "-s", UnixPath(target), UnixPath(link)});
}

bool SetFileLength(const std::wstring& file, unsigned long long length) {
    return RunUnix({"truncate", "-s", std::to_string(length), UnixPath(file)});
}

Immutable::Immutable(std::wstring folder) : folder_(std::move(folder)) {
    ok_ = RunUnix({"chattr", "+i", UnixPath(folder_)});
}

Immutable::~Immutable() {
    RunUnix({"chattr", "-i", UnixPath(folder_)});
}

SmallDisk::SmallDisk(const std::wstring& folder, unsigned kib) : unixPath_(UnixPath(folder)) {
    ok_ = RunUnix(
        {"mount", "-t", "tmpfs", "-o", "size=" + std::to_string(kib) + "k", "tmpfs", unixPath_});
}

SmallDisk::~SmallDisk() {
    if (ok_)
        RunUnix({"umount", unixPath_});
}

PluggedDrive::PluggedDrive() {
    // The prefix's C: is "<prefix>/dosdevices/c:/" to Wine.
    std::string devices = UnixPath(L"C:\\");
    const size_t cut = devices.rfind("c:/");
    if (cut == std::string::npos)
        return;
    devices.resize(cut);
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'R'; letter <= L'X'; ++letter) {
        const std::string link = devices + static_cast<char>(letter - L'A' + 'a') + ":";
        if (!(drives & (1u << (letter - L'A'))) && !RunUnix({"test", "-e", link}) &&
            !RunUnix({"test", "-L", link})) {
            name_ = {letter, L':'};
            link_ = link;
            return;
        }
    }
}

bool PluggedDrive::Plug(const std::wstring& folder) {
    if (link_.empty() || in_)
        return false;
    in_ = RunUnix({"ln", "-s", UnixPath(folder), link_});
    return in_;
}

void PluggedDrive::Unplug() {
    if (in_)
        RunUnix({"rm", "-f", link_});
    in_ = false;
}

} // namespace testing_support
