#pragma once
// The bench's figures and the table it prints of them.
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Figure {
    explicit Figure(const char* figureName) : name(figureName) {}
    const char* name;
    std::vector<double> real, engine, floor, loose;
    double longestGapMs = -1; // -1: the operation has no yields to measure
    std::string gapPlace;     // where the longest gap lay, for the report
    double floorStepMs = 0;   // the floor's longest single folder, over the repetitions
};

struct SizeResult {
    size_t size = 0, made = 0, targets = 0;
    int depth = 0;
    Figure walk{"walk"}, apply{"apply"}, startup{"startup"}, restore{"restore"};
    std::vector<double> journal;     // the journal's writes for every target, as Apply makes them
    std::vector<double> notify;      // the shell's notices inside the window's Apply
    std::vector<double> noticesSent; // how many of them went out
    std::vector<double> secondsPerNotice; // one notice, timed apart
    double longestNotice = 0;             // the longest notice so far in the process
    std::vector<double> scripted;         // quillane.exe /apply over the tree, in its own process
    std::vector<double> walkAndApply;     // the window's walk and Apply of the same repetition
    size_t memoryBase = 0, memoryPeak = 0;
    std::string memoryPhases; // " step:working set:peak" after each step of the memory run
    std::vector<std::string> problems;
};

// A problem of the run, kept for the report, where ok is false.
void Expect(SizeResult& result, bool ok, const std::string& what);

// The column heads; loose adds the columns of the first floors.
void PrintHeader(bool loose);
// One row a figure of one tree size, then its memory and its problems.
void PrintRows(const SizeResult& r);
// The ratios of every size side by side, and how the time per folder grows.
void PrintClosing(const std::vector<SizeResult>& results);

} // namespace bench
