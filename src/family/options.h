#pragma once
// The command line of tavelin-family, GNU style:
//   tavelin-family PROJECT.pcg --seeds SPEC --out DIR [--pattern P] [--jobs N]
//                  [--contact-sheet FILE] [--shard I/N] [--skip-existing] [--quiet]
// Options take their value as the next argument or after '=' (--jobs=4);
// short forms -s, -o, -p, -j, -c, -q, -h, -V also take "-j4". "--" ends the
// options.
#include <cstdint>
#include <string>

// Exit statuses, one per kind of failure.
enum FamilyExit : int {
    kExitOk = 0,
    kExitMembersFailed = 1,   // some member or the contact sheet could not be written
    kExitUsage = 2,           // malformed command line
    kExitBadSeeds = 3,        // the seed set cannot be read or is malformed
    kExitBadOutput = 4,       // output folder or contact sheet path unusable, bad pattern
    kExitTooLarge = 5,        // project file or contact sheet beyond the limits
    kExitInterrupted = 130,   // 128 + signal: stopped by SIGINT (130) or SIGTERM (143)
    kExitProject = 255        // as tavelin (-1): the project file cannot be opened or does not load
};

struct FamilyOptions {
    std::string project;
    std::string seeds;
    std::string outDir;
    std::string pattern = "<project>-<seed>.png";
    uint32_t jobs = 0;  // 0: every available core
    std::string contactSheet;
    uint32_t shardIndex = 1;
    uint32_t shardCount = 1;
    bool skipExisting = false;
    bool quiet = false;
};

enum class ParseOutcome { kRun, kExit };

// Parses argv. kExit comes with the exit status in `status`: 0 after --help
// or --version (written to standard output), kExitUsage after a message on
// standard error.
ParseOutcome ParseFamilyArguments(int argc, const char* const* argv, FamilyOptions& options, int& status);

// Number of cores this process may run on.
uint32_t AvailableCores();

extern const char* const kFamilyVersion;
