#pragma once
// The folders and files the build lays out beside the program, as Wine sees them.
#include <string>

namespace testing_support {

// A Unix path of the build as Wine sees it (drive Z:).
std::wstring WinePath(const char* unixPath);
std::wstring BuiltIconsDir();
std::wstring BuiltBackgroundsDir();

} // namespace testing_support
