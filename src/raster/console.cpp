#include "raster/console.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace {

void PrintLine(std::FILE* stream, const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

}  // namespace

void PrintErrorLine(const std::string& text) { PrintLine(stderr, text); }
void PrintInfoLine(const std::string& text) { PrintLine(stdout, text); }

std::string DurationText(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    if (seconds > 360000000) seconds = 360000000;  // keeps the conversion in range
    const long s = long(std::ceil(seconds));
    char buffer[64];
    if (s < 60)
        std::snprintf(buffer, sizeof buffer, "%ld s", s);
    else if (s < 3600)
        std::snprintf(buffer, sizeof buffer, "%ld min %02ld s", s / 60, s % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%ld h %02ld min", s / 3600, (s % 3600) / 60);
    return buffer;
}

ProgressLine::ProgressLine(bool enabled, std::chrono::milliseconds delay, std::FILE* stream)
    : stream_(stream),
      enabled_(enabled),
      terminal_(::isatty(::fileno(stream)) != 0),
      delay_(delay),
      start_(std::chrono::steady_clock::now()),
      lastShown_(start_) {}

double ProgressLine::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressLine::Update(const std::string& text) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    const auto interval = terminal_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(10000);
    if (now - start_ < delay_ || now - lastShown_ < (shown_ || delay_.count() == 0 ? interval : delay_)) return;
    Show(text);
}

void ProgressLine::Finish(const std::string& text, bool always) {
    if (!enabled_ || (!always && !shown_)) return;
    Show(text);
    if (terminal_) std::fputc('\n', stream_);
    std::fflush(stream_);
}

void ProgressLine::Show(const std::string& text) {
    lastShown_ = std::chrono::steady_clock::now();
    if (terminal_)
        std::fprintf(stream_, "\r%s\x1b[K", text.c_str());
    else
        std::fprintf(stream_, "%s\n", text.c_str());
    std::fflush(stream_);
    shown_ = true;
}
