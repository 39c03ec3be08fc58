#pragma once
// File-system calls the engine needs, with wide paths. Functions that can fail
// return false and leave the Win32 error in GetLastError(). Every path goes to
// the system in its exact form (ExactPath); the callers keep the plain one.
#include "platform/Handles.h"
#include "platform/Yield.h"

#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The whole-value attributes of the settings files and folders.
enum Attr : DWORD {
    AttrNormal = 0,
    AttrReadOnly = FILE_ATTRIBUTE_READONLY,
    AttrHidden = FILE_ATTRIBUTE_HIDDEN,
    AttrSystem = FILE_ATTRIBUTE_SYSTEM,
};

// "\\?\" before a full drive path, "\\?\UNC\" in place of a share's "\\":
// Windows then takes every name as it is, and trims no trailing dot or blank
// that would make the path name a sibling. Other forms (relative, already
// prefixed, or with "." or ".." parts, which only the plain form resolves)
// come back unchanged.
std::wstring ExactPath(const std::wstring& path);
// The drive ("X:", an ASCII letter) or share ("\\server\share", neither name
// empty) that a full path starts with, without the backslash after it; empty
// for any other form. The device forms "\\?\" and "\\.\" read as a server of
// that name: callers that address files tell them apart.
std::wstring RootOf(std::wstring_view path);

// Replaces the whole attribute set; 0 means normal.
bool SetAttributes(const std::wstring& path, DWORD attributes);
// INVALID_FILE_ATTRIBUTES when the path does not exist.
DWORD GetAttributes(const std::wstring& path);
bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);

// True when a plain file (neither hidden nor system, not a folder) is found at
// the path by a directory search.
bool PlainFileExists(const std::wstring& path);

// True when the file can be opened for reading (hidden and system files too,
// never a folder).
bool FileExists(const std::wstring& path);

bool DeleteFileAt(const std::wstring& path);

// A file opened for reading that may also have its attributes replaced and be
// deleted through the same handle: one lookup of the path instead of three.
// Invalid when any of those rights is refused. A link is opened as itself,
// never followed (see IsLink).
FileHandle OpenForRemoval(const std::wstring& path);
// A file opened for reading only; a link is opened as itself.
FileHandle OpenForReading(const std::wstring& path);
// Sets link to whether the open file is a symbolic link, junction or other
// reparse point; false when its information cannot be read.
bool IsLink(const FileHandle& file, bool& link);
bool SetAttributes(const FileHandle& file, DWORD attributes);
// The file goes when its last handle closes.
bool MarkForDeletion(const FileHandle& file);
bool RenameFile(const std::wstring& from, const std::wstring& to);

bool FileSize(const FileHandle& file, std::uint64_t& size);
// The next entry of a folder search that FindFirstEntry began; false at its end.
bool FindNextEntry(const FindHandle& find, WIN32_FIND_DATAW& data);

// The whole file, where it holds at most maxBytes; a longer one fails with
// ERROR_FILE_TOO_LARGE before anything is read or allocated. The reads by
// path share reading, writing and deletion.
bool ReadAllBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes, size_t maxBytes);
// Reads from the file's current position to its end.
bool ReadAllBytes(const FileHandle& file, std::vector<std::uint8_t>& bytes, size_t maxBytes);
// The same a piece of pieceBytes at a time, so that a long file is never held
// whole: take gets each piece and whether it is the last; false from it stops
// the read, which then fails with take's error.
using PieceReader = std::function<bool(const std::uint8_t* data, size_t size, bool last)>;
bool ReadInPieces(const std::wstring& path, size_t maxBytes, size_t pieceBytes,
                  const PieceReader& take);
// At most maxBytes from the file's current position; whole tells whether that
// was the rest of the file.
bool ReadPrefix(const FileHandle& file, size_t maxBytes, std::vector<std::uint8_t>& bytes,
                bool& whole);
bool AppendBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes);
// Writes what the system still holds of the file through to the disk.
bool FlushFile(const FileHandle& file);
// The same on a thread of its own while yield runs between short waits: a
// flush can take a disk's while. After yield says stop it waits to the end of
// the flush and fails with ERROR_CANCELLED.
bool FlushFile(const FileHandle& file, const YieldFn& yield);
// Creates the folder; true as well when a folder of that name is already there.
bool CreateFolder(const std::wstring& path);
// True when a new file can be created in the folder (one is made and removed).
bool FolderAcceptsWrites(const std::wstring& folder);
// Creates the file with the attributes only where nothing has the name (then
// it fails with ERROR_FILE_EXISTS): one call both looks and creates, and a
// link of that name, even one to nowhere, is never followed. The handle
// writes, sets attributes and may mark the file for deletion.
FileHandle CreateNewFile(const std::wstring& path, DWORD attributes = AttrNormal);
// Writes the bytes at the file's current position.
bool WriteBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes);

// A new file under the first free name of base, base1, base2 and so on (see
// CreateNewFile): a name that is there, a link included, is never opened. The
// handle writes and reads the file's size and times; others may read it
// where share allows. created gets the name.
FileHandle CreateUnusedFile(const std::wstring& base, DWORD share, std::wstring& created);
// The files beside base named base or base followed by digits, as
// CreateUnusedFile makes them, with their folder.
std::vector<std::wstring> NumberedFiles(const std::wstring& base);

// What tells one version of a file from another: its size and times, which
// a write or a replacement changes. present is false where nothing has the
// name.
struct FileStamp {
    bool present = false;
    std::uint64_t size = 0;
    FILETIME created{}, written{};
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
// The stamp of the file at the path (a link as itself); false when it cannot
// be told, for a missing file true with present false.
bool ReadStamp(const std::wstring& path, FileStamp& stamp);
bool ReadStamp(const FileHandle& file, FileStamp& stamp);
// Deletes the file (a link as itself) only when it still has the stamp and no
// one holds it open without sharing its deletion (a journal being written).
// Under Wine a link to a file opens, and is deleted, as its target: only for
// a file this process made.
bool DeleteIfUnchanged(const std::wstring& path, const FileStamp& stamp);
// Removes the name, a link as itself also under Wine: a new empty file made
// as the first free name of placeholderBase (see CreateUnusedFile) is moved
// over it, then deleted. expected, where given: only while the file has that
// stamp and no one holds it open without sharing its deletion. A read-only
// file stays.
bool RemoveName(const std::wstring& path, const std::wstring& placeholderBase,
                const FileStamp* expected = nullptr);

// An exclusive lock on the first byte of a file of its own, which other
// processes, sessions and accounts see and which goes when its holder ends.
// The file is made where it is missing and never written.
class ByteLock {
  public:
    ByteLock() = default;
    ~ByteLock() { Release(); }
    ByteLock(const ByteLock&) = delete;
    ByteLock& operator=(const ByteLock&) = delete;
    // Tries until it holds the lock or waitMs have passed, calling yield
    // between short waits. False with ERROR_LOCK_VIOLATION when another holds
    // it still, ERROR_CANCELLED when the yield stopped, or the error that
    // kept the file from opening. Each byte of the file is a lock of its own.
    bool Take(const std::wstring& path, DWORD waitMs, const YieldFn& yield = {}, DWORD byte = 0);
    bool Held() const { return held_; }
    void Release();

  private:
    FileHandle file_;
    DWORD byte_ = 0;
    bool held_ = false;
};
// How long a replacing move tries again while a reader holds the target, and
// how often.
inline constexpr DWORD kReplaceRetryMs = 5000;
inline constexpr DWORD kReplaceRetryStepMs = 50;
// Writes a sibling temporary file (path.new, or the first free of path.new1,
// path.new2...) and moves it over the target in one step; on any failure the
// target is left as it was. A read-only target is refused; one held open is
// tried again (see kReplaceRetryMs).
// Calls yield between pieces of a long write; when it says stop, the
// temporary file goes and the call fails with ERROR_CANCELLED.
bool ReplaceFileContents(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                         const YieldFn& yield = {});
// The same for contents made piece by piece, so that they are never held
// whole: produce hands each piece to the writer it is given, and answers
// false (with GetLastError() set) when it cannot go on.
using PieceWriter = std::function<bool(const std::uint8_t* data, size_t size)>;
// yield, where given, runs while the disk takes the new file (see FlushFile).
bool ReplaceFileFrom(const std::wstring& path,
                     const std::function<bool(const PieceWriter& write)>& produce,
                     const YieldFn& yield = {});
// The same for a file that must not be there yet: where something took the
// name meanwhile, it fails with ERROR_ALREADY_EXISTS and leaves it.
bool CreateFileContents(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// Removes what saves interrupted left beside path: files named as the
// temporary files of ReplaceFileFrom, a link of such a name as itself (see
// RemoveName). One still being written stays.
void RemoveLeftoverTemporaryFiles(const std::wstring& path);

// Text of the system's message for a Win32 error code, without the line break.
std::wstring ErrorText(DWORD error);

} // namespace platform
