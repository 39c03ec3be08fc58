#pragma once
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with all its
// contents (whatever their attributes) when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& path() const { return path_; }
    // path() + "\" + relative
    std::wstring operator/(const std::wstring& relative) const;
    // Creates the folder (and its parents) below this one; returns its path.
    std::wstring MakeFolder(const std::wstring& relative) const;

  private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);

} // namespace testing_support
