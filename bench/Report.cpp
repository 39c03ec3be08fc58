#include "bench/Report.h"

#include "bench/Measure.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Each repetition's own ratio: the window and its floor ran as a pair, one
// just after the other, so a slow spell of the machine weighs on one pair.
std::vector<double> PairRatios(const std::vector<double>& part, const std::vector<double>& whole) {
    std::vector<double> ratios;
    for (size_t i = 0; i < part.size() && i < whole.size(); ++i)
        if (whole[i] > 0)
            ratios.push_back(part[i] / whole[i]);
    return ratios;
}
double Ratio(const std::vector<double>& part, const std::vector<double>& whole) {
    const std::vector<double> ratios = PairRatios(part, whole);
    return ratios.empty() ? 0.0 : Median(ratios);
}
// "1.10 (1.02-1.21, 5 pairs)": the median with the lowest and highest.
std::string RatioWithSpread(const std::vector<double>& part, const std::vector<double>& whole) {
    const std::vector<double> ratios = PairRatios(part, whole);
    if (ratios.empty())
        return "-";
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f, %zu pairs)", Median(ratios), *low, *high,
                  ratios.size());
    return text;
}
double Ratio(const Figure& f) {
    return Ratio(f.real, f.floor);
}

// "-" for a figure that was not measured.
std::string Cell(const std::vector<double>& values, int decimals, double value) {
    if (values.empty())
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double PerFolder(const Figure& f, const SizeResult& r) {
    const size_t n = &f == &r.walk ? r.made : r.targets;
    return n ? Median(f.real) / static_cast<double>(n) : 0;
}

// A part of Apply timed apart, against Apply without it: the window's
// seconds less the part's.
void PrintShareOfApply(const SizeResult& r, const std::vector<double>& part, const char* name) {
    if (part.empty())
        return;
    std::vector<double> without;
    for (size_t i = 0; i < r.apply.real.size() && i < part.size(); ++i)
        without.push_back(r.apply.real[i] - part[i]);
    std::printf("%9zu %9zu %-8s %.3f s, %.2f %% of Apply without it\n", r.made, r.targets, name,
                Median(part), 100.0 * Ratio(part, without));
}

// Each step's working set and the peak so far, above the idle window, per
// target folder.
void PrintMemoryPhases(const SizeResult& r) {
    if (r.memoryPhases.empty() || !r.targets)
        return;
    std::printf("%9zu %9zu %-8s bytes per target folder above idle (now/peak):", r.made, r.targets,
                "steps");
    const auto perFolder = [&r](size_t bytes) {
        return static_cast<double>(bytes - std::min(bytes, r.memoryBase)) /
               static_cast<double>(r.targets);
    };
    size_t pos = 0;
    while ((pos = r.memoryPhases.find(' ', pos)) != std::string::npos) {
        char name[32] = {};
        size_t now = 0, peak = 0;
        if (std::sscanf(r.memoryPhases.c_str() + pos, " %31[^:]:%zu:%zu", name, &now, &peak) == 3)
            std::printf(" %s %.0f/%.0f", name, perFolder(now), perFolder(peak));
        ++pos;
    }
    std::printf("\n");
}

} // namespace

void Expect(SizeResult& result, bool ok, const std::string& what) {
    if (!ok)
        result.problems.push_back(what);
}

void PrintHeader(bool loose) {
    std::printf("\n%9s %9s %-8s %9s %10s %9s %9s %7s %7s %9s %9s", "folders", "targets", "figure",
                "window s", "folders/s", "engine s", "floor s", "win/fl", "eng/fl", "window-e",
                "gap ms");
    if (loose)
        std::printf(" %9s %7s", "loose s", "win/lo");
    std::printf("\n");
}

void PrintRows(const SizeResult& r) {
    for (const Figure* f : {&r.walk, &r.apply, &r.startup, &r.restore}) {
        const double real = Median(f->real), floor = Median(f->floor);
        const size_t n = f == &r.walk ? r.made : r.targets;
        char gap[32] = "-";
        if (f->longestGapMs >= 0)
            std::snprintf(gap, sizeof gap, "%.1f", f->longestGapMs);
        const double engineSeconds = Median(f->engine);
        std::printf("%9zu %9zu %-8s %9.3f %10.0f %9s %9.3f %7.2f %7s %9s %9s", r.made, r.targets,
                    f->name, real, real > 0 ? static_cast<double>(n) / real : 0.0,
                    Cell(f->engine, 3, engineSeconds).c_str(), floor, Ratio(*f),
                    Cell(f->engine, 2, Ratio(f->engine, f->floor)).c_str(),
                    Cell(f->engine, 3, real - engineSeconds).c_str(), gap);
        if (!f->loose.empty())
            std::printf(" %9.3f %7.2f", Median(f->loose), Ratio(f->real, f->loose));
        std::printf("\n");
    }
    for (const Figure* f : {&r.walk, &r.apply, &r.startup, &r.restore})
        if (!f->gapPlace.empty())
            std::printf(
                "%9zu %9zu %-8s longest gap of %s: %s; the floor's longest folder %.1f ms\n",
                r.made, r.targets, "gap", f->name, f->gapPlace.c_str(), f->floorStepMs);
    PrintShareOfApply(r, r.journal, "journal");
    if (!r.scripted.empty())
        std::printf("%9zu %9zu %-8s /apply %.3f s against the window's walk and Apply %.3f s: "
                    "%.2f\n",
                    r.made, r.targets, "scripted", Median(r.scripted), Median(r.walkAndApply),
                    Ratio(r.scripted, r.walkAndApply));
    PrintShareOfApply(r, r.notify, "notify");
    if (!r.noticesSent.empty())
        std::printf("%9zu %9zu %-8s %.0f of %zu folders told to the shell, %.0f us a notice, "
                    "the longest %.1f ms\n",
                    r.made, r.targets, "notices", Median(r.noticesSent), r.targets,
                    1e6 * Median(r.secondsPerNotice), 1e3 * r.longestNotice);
    if (r.memoryPeak) {
        const double perFolder =
            r.targets ? static_cast<double>(r.memoryPeak - std::min(r.memoryPeak, r.memoryBase)) /
                            static_cast<double>(r.targets)
                      : 0.0;
        std::printf("%9zu %9zu %-8s peak %.1f MB, idle window %.1f MB, %.0f bytes per target "
                    "folder above idle\n",
                    r.made, r.targets, "memory", static_cast<double>(r.memoryPeak) / 1048576.0,
                    static_cast<double>(r.memoryBase) / 1048576.0, perFolder);
        PrintMemoryPhases(r);
    }
    for (const auto& problem : r.problems)
        std::printf("  problem: %s\n", problem.c_str());
    std::fflush(stdout);
}

void PrintClosing(const std::vector<SizeResult>& results) {
    std::printf("\n");
    const Figure SizeResult::*figures[] = {&SizeResult::walk, &SizeResult::apply,
                                           &SizeResult::startup, &SizeResult::restore};
    for (auto member : figures) {
        std::string line = std::string((results.front().*member).name) + ": window to floor";
        double worstGap = -1;
        for (const auto& r : results) {
            const Figure& f = r.*member;
            line += ' ';
            line += RatioWithSpread(f.real, f.floor);
            line += " at ";
            line += std::to_string(r.made);
            line += ',';
            char part[96];
            if (!f.engine.empty()) {
                line.pop_back();
                std::snprintf(part, sizeof part, " (engine %.2f),", Ratio(f.engine, f.floor));
                line += part;
            }
            worstGap = std::max(worstGap, f.longestGapMs);
        }
        line.pop_back();
        if (results.size() >= 2) {
            const auto& big = results.back();
            const auto& smaller = results[results.size() - 2];
            const double before = PerFolder(smaller.*member, smaller);
            char part[96];
            std::snprintf(part, sizeof part, "; time per folder at %zu is %.2f x that at %zu",
                          big.made, before > 0 ? PerFolder(big.*member, big) / before : 0.0,
                          smaller.made);
            line += part;
        }
        if (worstGap >= 0) {
            char part[64];
            std::snprintf(part, sizeof part, "; longest gap between yields %.1f ms", worstGap);
            line += part;
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("(ratios: the median of the pairs' own ratios, with the lowest and highest; a "
                "pair is the floor and the window run one after the other; window-e: the "
                "window's seconds less the engine's)\n");
    for (const auto& r : results)
        if (r.memoryPeak && r.targets)
            std::printf("memory at %zu: %.0f bytes per target folder above the idle window "
                        "(%.0f bytes counting the whole process)\n",
                        r.made,
                        static_cast<double>(r.memoryPeak - std::min(r.memoryPeak, r.memoryBase)) /
                            static_cast<double>(r.targets),
                        static_cast<double>(r.memoryPeak) / static_cast<double>(r.targets));
}

} // namespace bench
