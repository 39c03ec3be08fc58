#pragma once
// Folder trees shaped like a real drive: a few top folders, fan-out 5 to 20,
// depth up to about nine, some names with blanks, accented or Cyrillic
// letters, and now and then a name that the walk must leave out.
#include <cstddef>
#include <string>

namespace bench {

// Creates count folders below root (root itself is created too). Returns the
// number created, which is count unless the file system refused.
size_t MakeTree(const std::wstring& root, size_t count, unsigned seed);

// Removes the folder and everything below it, whatever the attributes.
void RemoveTree(const std::wstring& root);

// Deepest folder level below root (root's children are level 1).
int TreeDepth(const std::wstring& root);

} // namespace bench
