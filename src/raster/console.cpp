#include "raster/console.h"

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
