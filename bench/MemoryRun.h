#pragma once
// Peak memory, a figure of the whole process: taken in a child process of
// the bench that runs the window's operations once.
#include "bench/Report.h"

#include <cstddef>
#include <string>

namespace bench {

// Appends " step:working set:peak" for the step just done.
void AddMemoryPhase(std::string& phases, const char* name);
// The child's part: runs the operations and writes its figures; the exit code.
int MemoryChild(size_t size);
// Starts the child and reads its figures into r.
void MeasureMemory(size_t size, SizeResult& r);

} // namespace bench
