#include "app/command_line.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <string>

#include "app/app_paths.h"
#include "app/batch_run.h"
#include "app/editor_loader.h"
#include "functions/render_memory.h"
#include "project/file_io.h"
#include "project/seed_argument.h"
#include "raster/console.h"

namespace {

const char* const kUsage =
    "Usage: tavelin [OPTION]... [PROJECT.pcg [SEED]...]\n"
    "Render a procedural texture project to a PNG image, or edit it.\n"
    "\n"
    "With a project: load it, give the SEEDs to its Seed parameters in file order,\n"
    "render the texture once and write it as pcgOutput.png beside this program.\n"
    "Without arguments: open the editor.\n"
    "\n"
    "  -o, --output FILE   write the image to FILE instead ('-' writes it to\n"
    "                      standard output and the two informational lines to\n"
    "                      standard error)\n"
    "  -s, --size N        render N x N pixels, N from 16 to 8192 (default 100,\n"
    "                      the design canvas: every length is scaled by N/100)\n"
    "      --memory-limit SIZE  refuse a render that needs more (512M, 2G; default\n"
    "                      half the machine's memory)\n"
    "  -q, --quiet         no progress line for a long render\n"
    "      --edit [FILE]   open the editor, with the project FILE loaded\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "\n"
    "Options come before the project. The image is written whole to a temporary\n"
    "file beside its target and renamed into place, so a reader never sees half an\n"
    "image and a failed write leaves the previous file as it was.\n"
    "\n"
    "A render that takes more than a second shows its progress on standard error;\n"
    "Ctrl-C stops it without writing anything.\n"
    "\n"
    "Exit status: 0 done; 255 (-1) the project cannot be found, read or loaded, a\n"
    "seed is not an integer, the render needs more memory than allowed, the\n"
    "image cannot be written, or the editor cannot start; 130 or 143 stopped by\n"
    "SIGINT or SIGTERM.\n";

struct Arguments {
    std::string output;        // empty: pcgOutput.png beside the executable
    BatchOptions batch;
    bool edit = false;         // --edit given
    std::string editProject;   // its project, when given
    int first = 1;             // index of the project path in argv
};

int UsageError(const std::string& message) {
    PrintErrorLine("tavelin: " + message + " (see --help)");
    return -1;
}

// Reads the options before the project. Returns -1 to go on, else the exit status.
int ReadOptions(int argc, char** argv, Arguments& arguments) {
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("tavelin " ORVANE_VERSION " (project files 1.2)");
            return 0;
        }
        if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return UsageError(arg + " needs a file name");
            arguments.output = argv[++i];
        } else if (arg.rfind("--output=", 0) == 0 && arg.size() > 9) {
            arguments.output = arg.substr(9);
        } else if (arg == "-s" || arg == "--size" || arg == "--memory-limit") {
            const std::string value = i + 1 < argc ? argv[++i] : "";
            if (arg == "--memory-limit") {
                const std::optional<uint64_t> limit = ParseByteSize(value);
                if (!limit) return UsageError("--memory-limit needs a size such as 512M or 2G, not '" + value + "'");
                arguments.batch.memoryLimit = *limit;
            } else {
                const std::optional<int32_t> size = ParseSeedArgument(value);
                size_t digits = 0;
                if (!size || ParseSeedArgument(value, &digits) != size || digits != value.size() ||
                    *size < int32_t(kMinRenderSize) || *size > int32_t(kMaxRenderSize))
                    return UsageError(arg + " needs a whole number from 16 to 8192, not '" + value + "'");
                arguments.batch.size = uint32_t(*size);
            }
        } else if (arg == "-q" || arg == "--quiet") {
            arguments.batch.quiet = true;
        } else if (arg == "--edit") {
            arguments.edit = true;
            if (i + 1 < argc) arguments.editProject = argv[++i];
            if (i + 1 < argc) return UsageError("--edit takes one project file and nothing after it");
        } else {
            break;
        }
    }
    arguments.first = i;
    return -2;
}

}  // namespace

int RunTavelin(int argc, char** argv) {
    Arguments arguments;
    if (const int status = ReadOptions(argc, argv, arguments); status != -2) return status;
    const bool toStandardOutput = arguments.output == "-";
    const std::string exeDirectory = ExecutableDirectory();
    // The image may be what standard output carries: the lines then go to standard error.
    auto info = [&](const std::string& line) { toStandardOutput ? PrintErrorLine(line) : PrintInfoLine(line); };
    info("Headless directory is: " + exeDirectory);
    if (arguments.edit) return RunEditor(exeDirectory, arguments.editProject);
    if (arguments.first >= argc) {
        if (!arguments.output.empty()) return UsageError("--output needs a project to render");
        return RunEditor(exeDirectory, "");
    }

    const std::string projectPath = argv[arguments.first];
    std::FILE* probe = std::fopen(projectPath.c_str(), "rb");
    if (probe == nullptr) {
        const std::string exeName = LastPathComponent(argv[0] ? argv[0] : "");
        PrintErrorLine("File not found or inaccessible. \n\n\tUsage: " + exeName +
                       " [path_to_file] [seed1] [seed2] ...\n");
        return -1;
    }
    std::fclose(probe);

    std::deque<int32_t> seeds;
    for (int i = arguments.first + 1; i < argc; ++i) {
        const std::optional<int32_t> seed = ParseSeedArgument(argv[i]);
        if (!seed) {
            PrintErrorLine(
                "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe [path_to_file] "
                "[seed1] [seed2] ...\n");
            return -1;
        }
        seeds.push_back(*seed);
    }
    BatchOptions& batch = arguments.batch;
    batch.path = arguments.output.empty() ? exeDirectory + "/pcgOutput.png" : arguments.output;
    batch.toStandardOutput = toStandardOutput;
    return RunBatch(projectPath, seeds, batch);
}
