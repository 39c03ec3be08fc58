#pragma once
// The Unix side of the Wine prefix the tests run in, through Wine's own
// exports: a path's Unix name, and Unix programs for what Windows calls
// cannot make here (links, immutable folders, sparse files, a small disk).
#include <string>
#include <vector>

namespace testing_support {

// The Unix name of a Windows path (its last part need not exist), or empty.
std::string UnixPath(const std::wstring& path);
// Runs a Unix program and waits for it; true when it exited with status 0.
bool RunUnix(const std::vector<std::string>& argv);

// A symbolic link at link pointing at target's Unix name; the target need
// not exist.
bool MakeUnixLink(const std::wstring& target, const std::wstring& link);
// Sets the file's length without writing the bytes: sparse, costing no disk.
bool SetFileLength(const std::wstring& file, unsigned long long length);

// The folder refuses every write (chattr +i) while the object lives.
class Immutable {
  public:
    explicit Immutable(std::wstring folder);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool ok() const { return ok_; }

  private:
    std::wstring folder_;
    bool ok_ = false;
};

// A tmpfs of the given size mounted on an empty folder while the object
// lives: a disk that fills up.
class SmallDisk {
  public:
    SmallDisk(const std::wstring& folder, unsigned kib);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool ok() const { return ok_; }

  private:
    std::string unixPath_;
    bool ok_ = false;
};

// A drive letter that Wine's file calls follow: a link in the prefix's
// dosdevices folder (a drive of DefineDosDeviceW is not followed there). The
// first free letter from R on; plugged in to a folder and out again, as a USB
// disk, and out when the object goes.
class PluggedDrive {
  public:
    PluggedDrive();
    ~PluggedDrive() { Unplug(); }
    PluggedDrive(const PluggedDrive&) = delete;
    PluggedDrive& operator=(const PluggedDrive&) = delete;
    // "R:" and the like.
    const std::wstring& Name() const { return name_; }
    bool Plug(const std::wstring& folder);
    void Unplug();

  private:
    std::wstring name_;
    std::string link_;
    bool in_ = false;
};

} // namespace testing_support
