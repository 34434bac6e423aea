#include "family/progress.h"

#include <unistd.h>

#include <cmath>

std::string DurationText(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    if (seconds > 360000000) seconds = 360000000;  // keeps the conversion in range
    const long s = long(std::ceil(seconds));
    char buffer[64];
    if (s < 60) std::snprintf(buffer, sizeof buffer, "%ld s", s);
    else if (s < 3600) std::snprintf(buffer, sizeof buffer, "%ld min %02ld s", s / 60, s % 60);
    else std::snprintf(buffer, sizeof buffer, "%ld h %02ld min", s / 3600, (s % 3600) / 60);
    return buffer;
}

std::string ProgressText(size_t done, size_t total, double seconds) {
    std::string text = std::to_string(done) + "/" + std::to_string(total) + " members";
    if (done > 0 && seconds > 0) {
        const double rate = double(done) / seconds;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, ", %.1f/s", rate);
        text += buffer;
        if (done < total) text += ", " + DurationText(double(total - done) / rate) + " left";
        else text += ", " + DurationText(seconds);
    }
    return text;
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled)
    : stream_(stream), enabled_(enabled), terminal_(::isatty(::fileno(stream)) != 0),
      start_(std::chrono::steady_clock::now()), lastShown_(start_) {}

void ProgressLine::Update(size_t done, size_t total) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    const auto interval = terminal_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(10000);
    if (now - lastShown_ < interval) return;
    Show(done, total);
}

void ProgressLine::Finish(size_t done, size_t total) {
    if (!enabled_) return;
    Show(done, total);
    if (terminal_) std::fputc('\n', stream_);
    std::fflush(stream_);
}

void ProgressLine::Show(size_t done, size_t total) {
    const auto now = std::chrono::steady_clock::now();
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::string text = "tavelin-family: " + ProgressText(done, total, seconds);
    if (terminal_) std::fprintf(stream_, "\r%s\x1b[K", text.c_str());
    else std::fprintf(stream_, "%s\n", text.c_str());
    std::fflush(stream_);
    shown_ = true;
}
