#include "family/options.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "functions/render_memory.h"
#include "raster/console.h"

const char* const kFamilyVersion = "tavelin-family " ORVANE_VERSION " (project files 1.2)";

namespace {

const char* const kUsage =
    "Usage: tavelin-family PROJECT.pcg --seeds SPEC --out DIR [OPTION]...\n"
    "Render one PNG per member of the texture family that PROJECT describes: each\n"
    "seed tuple feeds the project's Seed parameters in file order, exactly as the\n"
    "seed arguments of tavelin do, so member 7 equals `tavelin PROJECT.pcg 7`.\n"
    "\n"
    "  -s, --seeds SPEC          the members, a comma-separated list of seeds (7),\n"
    "                            ranges (1-500, 1..500, -5--1, 10-1) and tuples\n"
    "                            (7:9 feeds 7 then 9; 1-3:9 is 1:9,2:9,3:9), or\n"
    "                            @FILE: one tuple per line, seeds separated by\n"
    "                            blanks or commas (\"7 9\"), # starts a comment\n"
    "  -o, --out DIR             output folder (created when missing)\n"
    "  -p, --pattern P           file name pattern ending in .png, default\n"
    "                            \"<project>-<seed>.png\"; <project> is the project\n"
    "                            file's stem, <seed> the tuple joined by '_' (7_9),\n"
    "                            <index> the member's position in the seed set\n"
    "                            from 0, <index:05> the same zero-padded to 5 digits\n"
    "  -j, --jobs N              render N members at a time (default: the CPUs this\n"
    "                            process may use, container CPU limits included)\n"
    "  -c, --contact-sheet FILE  also write a PNG grid of the members rendered or\n"
    "                            kept by this run, each labelled with its seeds\n"
    "                            (at most 2500 members per sheet)\n"
    "  -m, --manifest FILE       also write one JSON line per member (seeds, file,\n"
    "                            sha256, width, height), in seed-set order\n"
    "      --shard I/N           render only member k with k mod N + 1 = I\n"
    "      --shard-from-zero I/N the same with I counting from 0 (k mod N = I), as\n"
    "                            a Kubernetes Indexed Job's completion index does\n"
    "      --skip-existing       keep members whose file is already a complete PNG\n"
    "                            of the right size (resume); render the others\n"
    "      --size N              members of N x N pixels, N from 16 to 8192 (default\n"
    "                            100, the design canvas: lengths scale by N/100);\n"
    "                            the contact sheet shows them at 100 x 100\n"
    "      --memory-limit SIZE   refuse members that need more (512M, 2G; default\n"
    "                            half the machine's memory); fewer workers run when\n"
    "                            all of them at once would need more\n"
    "  -q, --quiet               no progress line\n"
    "  -h, --help                show this help and exit\n"
    "  -V, --version             show the version and exit\n"
    "\n"
    "Members whose project reads random values before its first Set Seed (or\n"
    "Dilate/Erode Morph) are not reproducible, as with tavelin.\n"
    "\n"
    "Exit status: 0 done; 1 a member, the contact sheet or the manifest could not\n"
    "be written; 2 bad command line; 3 bad seed set; 4 unusable output folder,\n"
    "contact sheet path or pattern, or two members with one file name; 5 project\n"
    "file or contact sheet too large; 130 or 143 stopped by SIGINT or SIGTERM\n"
    "(finished members are kept); 255 project file not found, inaccessible or\n"
    "not loadable.\n";

bool UsageError(const std::string& message, int& status) {
    PrintErrorLine("tavelin-family: " + message + " (see --help)");
    status = kExitUsage;
    return false;
}

// A whole decimal number in 1 .. max, nothing else.
bool ParseCount(const std::string& text, uint32_t max, uint32_t& out) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v < 1 || v > max) return false;
    out = uint32_t(v);
    return true;
}

enum class Opt {
    kSeeds, kOut, kPattern, kJobs, kSheet, kManifest, kShard, kShardFromZero, kSize, kMemory, kSkip, kQuiet, kHelp,
    kVersion, kNone
};

struct OptionName {
    const char* longName;
    char shortName;
    Opt opt;
    bool takesValue;
};

const OptionName kOptions[] = {
    {"seeds", 's', Opt::kSeeds, true},       {"out", 'o', Opt::kOut, true},
    {"pattern", 'p', Opt::kPattern, true},   {"jobs", 'j', Opt::kJobs, true},
    {"contact-sheet", 'c', Opt::kSheet, true}, {"manifest", 'm', Opt::kManifest, true},
    {"shard", 0, Opt::kShard, true},         {"shard-from-zero", 0, Opt::kShardFromZero, true},
    {"size", 0, Opt::kSize, true},           {"memory-limit", 0, Opt::kMemory, true},
    {"skip-existing", 0, Opt::kSkip, false}, {"quiet", 'q', Opt::kQuiet, false},
    {"help", 'h', Opt::kHelp, false},        {"version", 'V', Opt::kVersion, false},
};

bool Apply(Opt opt, const std::string& value, FamilyOptions& o, int& status) {
    switch (opt) {
        case Opt::kSeeds: o.seeds = value; break;
        case Opt::kOut:
            if (value.empty()) return UsageError("--out needs a folder", status);
            o.outDir = value;
            break;
        case Opt::kPattern: o.pattern = value; break;
        case Opt::kJobs:
            if (!ParseCount(value, 4096, o.jobs))
                return UsageError("--jobs needs a whole number from 1 to 4096, not '" + value + "'", status);
            break;
        case Opt::kSheet:
            if (value.empty()) return UsageError("--contact-sheet needs a file name", status);
            o.contactSheet = value;
            break;
        case Opt::kManifest:
            if (value.empty()) return UsageError("--manifest needs a file name", status);
            o.manifest = value;
            break;
        case Opt::kShard:
        case Opt::kShardFromZero: {
            // I/N; from zero, I is read as I + 1 ("0" has no count of its own to parse).
            const bool fromZero = opt == Opt::kShardFromZero;
            const size_t slash = value.find('/');
            const std::string first = slash == std::string::npos ? "" : value.substr(0, slash);
            uint32_t i = 0, n = 0;
            const bool zero = fromZero && first == "0";
            if (slash == std::string::npos || !(zero || ParseCount(first, 1000000000u, i)) ||
                !ParseCount(value.substr(slash + 1), 1000000000u, n) || (fromZero ? i >= n : i > n))
                return UsageError(std::string(fromZero ? "--shard-from-zero needs I/N with 0 <= I < N"
                                                       : "--shard needs I/N with 1 <= I <= N") +
                                      ", not '" + value + "'",
                                  status);
            o.shardIndex = fromZero ? i + 1 : i;
            o.shardCount = n;
            break;
        }
        case Opt::kSize:
            if (!ParseCount(value, kMaxRenderSize, o.size) || o.size < kMinRenderSize)
                return UsageError("--size needs a whole number from 16 to 8192, not '" + value + "'", status);
            break;
        case Opt::kMemory: {
            const std::optional<uint64_t> limit = ParseByteSize(value);
            if (!limit || *limit == 0)
                return UsageError("--memory-limit needs a size such as 512M or 2G, not '" + value + "'", status);
            o.memoryLimit = *limit;
            break;
        }
        case Opt::kSkip: o.skipExisting = true; break;
        case Opt::kQuiet: o.quiet = true; break;
        case Opt::kHelp:
        case Opt::kVersion:
        case Opt::kNone: break;
    }
    return true;
}

// Recognises the option in argv[i] and its value: written inline ("--jobs=4",
// "-j4") or as the next argument, which is then consumed (taken as it is,
// even when it starts with '-': --seeds -5--1).
bool ReadOption(int argc, const char* const* argv, int& i, const OptionName*& found, std::string& value,
                int& status) {
    const std::string arg = argv[i];
    found = nullptr;
    bool hasInlineValue = false;
    std::string shownName;
    if (arg.compare(0, 2, "--") == 0) {
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        for (const OptionName& candidate : kOptions)
            if (name == candidate.longName) found = &candidate;
        shownName = "--" + name;
        if (found == nullptr) return UsageError("unknown option '" + shownName + "'", status);
        if (eq != std::string::npos) {
            if (!found->takesValue) return UsageError(shownName + " takes no value", status);
            value = arg.substr(eq + 1);
            hasInlineValue = true;
        }
    } else {
        for (const OptionName& candidate : kOptions)
            if (candidate.shortName != 0 && arg[1] == candidate.shortName) found = &candidate;
        shownName = arg.substr(0, 2);
        if (found == nullptr) return UsageError("unknown option '" + shownName + "'", status);
        if (arg.size() > 2) {
            if (!found->takesValue) return UsageError("unknown option '" + arg + "'", status);
            value = arg.substr(2);
            hasInlineValue = true;
        }
    }
    if (found->takesValue && !hasInlineValue) {
        if (i + 1 >= argc) return UsageError(shownName + " needs a value", status);
        value = argv[++i];
    }
    return true;
}

// After every argument: --help and --version answer, else the required parts must be there.
ParseOutcome Finish(const FamilyOptions& o, bool haveProject, bool help, bool version, int& status) {
    if (help) {
        std::fputs(kUsage, stdout);
        return ParseOutcome::kExit;
    }
    if (version) {
        std::printf("%s\n", kFamilyVersion);
        return ParseOutcome::kExit;
    }
    const char* missing = !haveProject ? "no project file given"
                          : o.seeds.empty() ? "--seeds is required"
                          : o.outDir.empty() ? "--out is required"
                                             : nullptr;
    if (missing != nullptr) {
        UsageError(missing, status);
        return ParseOutcome::kExit;
    }
    return ParseOutcome::kRun;
}

}  // namespace

ParseOutcome ParseFamilyArguments(int argc, const char* const* argv, FamilyOptions& options, int& status) {
    FamilyOptions o;
    bool haveProject = false, optionsEnded = false, help = false, version = false;
    status = kExitOk;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (haveProject) {
                UsageError("only one project file may be given, not also '" + arg + "'", status);
                return ParseOutcome::kExit;
            }
            o.project = arg;
            haveProject = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            const OptionName* found = nullptr;
            std::string value;
            if (!ReadOption(argc, argv, i, found, value, status)) return ParseOutcome::kExit;
            help = help || found->opt == Opt::kHelp;
            version = version || found->opt == Opt::kVersion;
            if (!Apply(found->opt, value, o, status)) return ParseOutcome::kExit;
        }
    }
    const ParseOutcome outcome = Finish(o, haveProject, help, version, status);
    if (outcome == ParseOutcome::kRun) options = o;
    return outcome;
}

uint32_t ControlGroupCpuLimit(const std::string& groupsFile, const std::string& root) {
    std::string path;  // the group of this process, from /proc/self/cgroup
    if (std::FILE* groups = std::fopen(groupsFile.c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, groups)) {
            std::string text = line;
            if (!text.empty() && text.back() == '\n') text.pop_back();
            // "0::/path" (v2) or "N:cpu,cpuacct:/path" (v1)
            const size_t first = text.find(':'), second = text.find(':', first + 1);
            if (first == std::string::npos || second == std::string::npos) continue;
            const std::string controllers = text.substr(first + 1, second - first - 1);
            if (controllers.empty() || controllers.find("cpu") != std::string::npos) path = text.substr(second + 1);
            if (!controllers.empty() && controllers.find("cpu") != std::string::npos) break;
        }
        std::fclose(groups);
    }
    auto readTwo = [](const std::string& file, const char* format, long long& a, long long& b) {
        std::FILE* f = std::fopen(file.c_str(), "r");
        if (f == nullptr) return 0;
        const int n = std::fscanf(f, format, &a, &b);
        std::fclose(f);
        return n;
    };
    long long quota = -1, period = 0;
    for (const std::string& group : {path, std::string("/")}) {
        const std::string v2 = root + group + "/cpu.max";
        if (readTwo(v2, "%lld %lld", quota, period) == 2 && quota > 0 && period > 0) break;
        quota = -1;
        long long ignored = 0;
        const std::string v1 = root + "/cpu,cpuacct" + group;
        if (readTwo(v1 + "/cpu.cfs_quota_us", "%lld%lld", quota, ignored) >= 1 &&
            readTwo(v1 + "/cpu.cfs_period_us", "%lld%lld", period, ignored) >= 1 && quota > 0 && period > 0)
            break;
        quota = -1;
    }
    if (quota <= 0 || period <= 0) return 0;
    return uint32_t(std::max<long long>(1, (quota + period - 1) / period));
}

uint32_t AvailableCores() {
    uint32_t cores = 0;
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) cores = uint32_t(std::max(CPU_COUNT(&set), 0));
    if (cores == 0) cores = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t limit = ControlGroupCpuLimit("/proc/self/cgroup", "/sys/fs/cgroup");
    return limit != 0 ? std::min(cores, limit) : cores;
}
