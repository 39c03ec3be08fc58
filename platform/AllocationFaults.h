#pragma once
// Running out of memory on purpose, for the tests. In a Debug build the n-th
// allocation point from the moment it is armed throws std::bad_alloc; in a
// Release build nothing arms it and a point is a call that returns at once.
// The points sit where the program takes memory for lists of any length (the
// path store, the list box adapter), so that a test can make loading, a
// merge, the folder walk or /restore-all run out where a huge list would.
namespace platform {

// Whether this build can be made to fail (Debug builds).
bool AllocationFaultsBuiltIn();
// The n-th allocation point from now throws (1: the next one); 0 disarms.
void FailAllocationAt(unsigned long n);
// True while an armed failure has not happened yet.
bool AllocationFailurePending();
// A place where memory is taken: throws std::bad_alloc when its turn came.
void AllocationPoint();
// QUILLANE_FAIL_ALLOCATION=n in the environment arms the n-th point, so that
// a test can make a child program run out (Debug builds only).
void FailAllocationFromEnvironment();

} // namespace platform
