#include <windows.h>

#include <gtest/gtest.h>
#include <string>

namespace {

// The build's path as Wine sees it: drive Z: is the Unix root.
std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

std::string ReadAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string data;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        data.append(buffer, read);
    CloseHandle(file);
    return data;
}

} // namespace

TEST(HelpFile, IsACompiledHelpFileHoldingEveryPage) {
#ifndef QUILLANE_HELP_FILE
    GTEST_SKIP() << "chmcmd was not found, so Help.chm is not built";
#else
    std::string chm = ReadAll(WindowsPath(QUILLANE_HELP_FILE));
    ASSERT_GT(chm.size(), 4u) << "Help.chm missing or empty";
    EXPECT_EQ(chm.substr(0, 4), "ITSF");
    for (const char* page : {"/index.htm", "/options.htm", "/subfolders.htm", "/apply.htm",
                             "/restore.htm", "/windows.htm", "/files.htm", "/style.css"})
        EXPECT_NE(chm.find(page), std::string::npos) << page << " is not in Help.chm";
    // The table of contents and the index are compiled in too.
    EXPECT_NE(chm.find("Contents.hhc"), std::string::npos);
    EXPECT_NE(chm.find("Index.hhk"), std::string::npos);
#endif
}
