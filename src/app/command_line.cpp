#include "app/command_line.h"

#include <cstdio>

#include "app/batch_run.h"
#include "app/editor_shell.h"
#include "project/app_paths.h"
#include "project/project_file.h"

std::string ExeNameFromInvocation(const std::string& invocation) {
    std::string path = invocation;
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParseSeedArgument(const char* text, int32_t& seed) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    // Accumulate the magnitude; stop counting once it is beyond any int32.
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (*p - '0');
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    seed = int32_t(value);
    return true;
}

namespace {

void PrintError(const std::string& text) {
    std::fputs((text + "\n").c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

int RunTavelin(int argc, char** argv) {
    const bool headless = argc > 1;
    std::string projectPath;
    for (int i = 0; i < argc; ++i) {
        if (i == 0) {
            exeDirectory = ExecutableDirectory();
            std::printf("Headless directory is: %s\n", exeDirectory.c_str());
            std::fflush(stdout);
        } else if (i == 1) {
            projectPath = argv[1];
            std::FILE* probe = std::fopen(projectPath.c_str(), "rb");
            if (probe == nullptr) {
                const std::string exeName = ExeNameFromInvocation(argv[0] ? argv[0] : "");
                PrintError("File not found or inaccessible. \n\n\tUsage: " + exeName +
                           " [path_to_file] [seed1] [seed2] ...\n");
                return -1;
            }
            std::fclose(probe);
        } else {
            int32_t seed;
            if (!ParseSeedArgument(argv[i], seed)) {
                PrintError(
                    "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe [path_to_file] "
                    "[seed1] [seed2] ...\n");
                return -1;
            }
            commandLineSeeds.push_back(seed);
        }
    }
    return headless ? RunBatch(projectPath) : RunEditor();
}
