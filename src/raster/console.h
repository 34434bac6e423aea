#pragma once
// The program's console lines: every message is one line of fixed English
// text, written whole and flushed at once, so that lines of different
// threads or processes never interleave within a line.
#include <chrono>
#include <cstdio>
#include <string>

// text + end of line on standard error (failures and warnings).
void PrintErrorLine(const std::string& text);
// text + end of line on standard output (informational lines).
void PrintInfoLine(const std::string& text);

// 0 -> "0 s", 75 -> "1 min 15 s", 3725 -> "1 h 02 min" (rounded up).
std::string DurationText(double seconds);

// The progress line of a long run, on standard error: on a terminal one line
// rewritten in place a few times a second, into a file or pipe a new line
// every ten seconds. Nothing shows before `delay` has passed.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled, std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                          std::FILE* stream = stderr);
    // Shows text when enough time has passed since the start and the last display.
    void Update(const std::string& text);
    // Shows the final text and ends the line: always, or only when a line was
    // shown before (`always` false).
    void Finish(const std::string& text, bool always = true);
    double Seconds() const;

private:
    void Show(const std::string& text);
    std::FILE* stream_;
    bool enabled_;
    bool terminal_;
    bool shown_ = false;
    std::chrono::milliseconds delay_;
    std::chrono::steady_clock::time_point start_, lastShown_;
};
