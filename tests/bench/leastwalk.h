// What the benchmarks measure the library against: a stopwatch, the median
// of paired rounds and the least listing walk a Win32 program can make (one FindFirstFileExA search per
// folder, basic information level, large fetch).
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The seconds that F takes.
inline double Seconds(const std::function<void()>& f) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    f();
    QueryPerformanceCounter(&b);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAA& fd) {
    return FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

inline bool IsDots(const char* n) { return n[0] == '.' && (!n[1] || (n[1] == '.' && !n[2])); }

// The least listing walk: every file's full path, one search per folder.
inline void LeastList(const std::string& folder, std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirst(folder + "\\*", fd);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> subs;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!IsDots(fd.cFileName)) subs.push_back(folder + "\\" + fd.cFileName);
        } else {
            out.push_back(folder + "\\" + fd.cFileName);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    for (const auto& s : subs) LeastList(s, out);
}

// One method's seconds, run by run.
struct Timing {
    const char* name;
    std::vector<double> runs;
    double Min() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
    double Median() const {
        std::vector<double> r = runs;
        std::sort(r.begin(), r.end());
        return r.empty() ? 0 : r[r.size() / 2];
    }
};

// The median of the per-round ratios of T to REFERENCE: each round's pair
// ran back to back, so drifts of the machine between rounds cancel.
inline double PairedMedian(const Timing& t, const Timing& reference) {
    std::vector<double> r;
    for (std::size_t i = 0; i < t.runs.size() && i < reference.runs.size(); ++i)
        if (reference.runs[i] > 0) r.push_back(t.runs[i] / reference.runs[i]);
    std::sort(r.begin(), r.end());
    return r.empty() ? 0 : r[r.size() / 2];
}

}  // namespace bench
