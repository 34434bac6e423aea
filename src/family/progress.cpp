#include "family/progress.h"

#include <cstdio>

#include "raster/console.h"

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
