#include "app/command_line.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <string>

#include "app/app_paths.h"
#include "app/batch_run.h"
#include "app/editor_loader.h"
#include "project/file_io.h"
#include "project/seed_argument.h"
#include "raster/console.h"

int RunTavelin(int argc, char** argv) {
    const std::string exeDirectory = ExecutableDirectory();
    PrintInfoLine("Headless directory is: " + exeDirectory);
    if (argc <= 1) return RunEditor(exeDirectory);

    const std::string projectPath = argv[1];
    std::FILE* probe = std::fopen(projectPath.c_str(), "rb");
    if (probe == nullptr) {
        const std::string exeName = LastPathComponent(argv[0] ? argv[0] : "");
        PrintErrorLine("File not found or inaccessible. \n\n\tUsage: " + exeName +
                       " [path_to_file] [seed1] [seed2] ...\n");
        return -1;
    }
    std::fclose(probe);

    std::deque<int32_t> seeds;
    for (int i = 2; i < argc; ++i) {
        const std::optional<int32_t> seed = ParseSeedArgument(argv[i]);
        if (!seed) {
            PrintErrorLine(
                "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe [path_to_file] "
                "[seed1] [seed2] ...\n");
            return -1;
        }
        seeds.push_back(*seed);
    }
    return RunBatch(projectPath, seeds, exeDirectory + "/pcgOutput.png");
}
