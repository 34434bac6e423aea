#pragma once
// The progress line of a long run on standard error: members done, rate and
// time left. On a terminal one line is rewritten in place a few times a
// second; into a file or pipe a new line is written every ten seconds.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

// "3/500 members, 45.2/s, 11 s left" (no rate and time before the first member).
std::string ProgressText(size_t done, size_t total, double seconds);
// 0 -> "0 s", 75 -> "1 min 15 s", 3725 -> "1 h 02 min".
std::string DurationText(double seconds);

class ProgressLine {
public:
    ProgressLine(std::FILE* stream, bool enabled);
    // Shows the state when enough time has passed since the last display.
    void Update(size_t done, size_t total);
    // Shows the final state and ends the line.
    void Finish(size_t done, size_t total);

private:
    void Show(size_t done, size_t total);
    std::FILE* stream_;
    bool enabled_;
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_, lastShown_;
};
