#pragma once
// The command line of tavelin-family, GNU style:
//   tavelin-family PROJECT.pcg --seeds SPEC --out DIR [--pattern P] [--jobs N]
//                  [--contact-sheet FILE] [--manifest FILE] [--shard I/N]
//                  [--skip-existing] [--quiet] [--size N] [--memory-limit SIZE]
// Options take their value as the next argument or after '=' (--jobs=4);
// short forms -s, -o, -p, -j, -c, -m, -q, -h, -V also take "-j4". "--" ends
// the options.
#include <cstdint>
#include <string>

// Exit statuses, one per kind of failure.
enum FamilyExit : int {
    kExitOk = 0,
    kExitMembersFailed = 1,   // some member, the contact sheet or the manifest could not be written
    kExitUsage = 2,           // malformed command line
    kExitBadSeeds = 3,        // the seed set cannot be read or is malformed
    kExitBadOutput = 4,       // output folder or sheet path unusable, bad pattern, two members with one name
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
    std::string manifest;
    uint32_t shardIndex = 1;
    uint32_t shardCount = 1;
    bool skipExisting = false;
    bool quiet = false;
    uint32_t size = 100;       // members of size x size pixels
    uint64_t memoryLimit = 0;  // 0: half the machine's memory
};

enum class ParseOutcome { kRun, kExit };

// Parses argv. kExit comes with the exit status in `status`: 0 after --help
// or --version (written to standard output), kExitUsage after a message on
// standard error.
ParseOutcome ParseFamilyArguments(int argc, const char* const* argv, FamilyOptions& options, int& status);

// The CPU limit of a process's control group, rounded up (cgroup v2
// cpu.max, else v1 cpu.cfs_quota_us / cpu.cfs_period_us), from its
// /proc/<pid>/cgroup file and the cgroup file system's root; 0 for none.
uint32_t ControlGroupCpuLimit(const std::string& groupsFile, const std::string& root);

// Number of CPUs this process may use: its affinity mask, lowered to the CPU
// limit of its control group (a container's CPU quota), rounded up.
uint32_t AvailableCores();

extern const char* const kFamilyVersion;
