// The family run, in the order it happens:
//   [SECTION] Project template and one member
//   [SECTION] Checks before any work: project, seed set, pattern, names, folders, sheet
//   [SECTION] Resuming: members already on disk
//   [SECTION] Worker pool
//   [SECTION] The whole run
#include "family/family_run.h"

#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "family/contact_sheet.h"
#include "family/member_files.h"
#include "family/output_names.h"
#include "family/progress.h"
#include "family/seed_set.h"
#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "project/file_io.h"
#include "project/project_file_format.h"
#include "raster/console.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"

std::atomic<int> familyStopSignal{0};

namespace {

constexpr uint32_t kMemberSize = 100;
constexpr size_t kMaxProjectBytes = size_t(256) << 20;

int Fail(int status, const std::string& message) {
    PrintErrorLine("tavelin-family: " + message);
    return status;
}

// tavelin's message for a project file it cannot open, naming this program.
int FileNotFound(const std::string& exeName) {
    PrintErrorLine("File not found or inaccessible. \n\n\tUsage: " + exeName +
                   " [path_to_file] [seed1] [seed2] ...\n");
    return kExitProject;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] Project template and one member
// ---------------------------------------------------------------------------

bool LoadProjectTemplate(const std::string& path, ProjectTemplate& project, bool& tooLarge) {
    tooLarge = false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::string bytes;
    char buffer[65536];
    size_t n;
    // A read error (a folder given as project, say) ends the bytes there, and
    // the load below fails as tavelin's does on a short file.
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
        if (bytes.size() > kMaxProjectBytes) {
            tooLarge = true;
            std::fclose(file);
            return false;
        }
    }
    std::fclose(file);

    MemoryByteSource source(bytes.data(), bytes.size());
    std::deque<int32_t> noSeeds;
    InstructionList probe;
    project.loaded = DecodeProject(source, noSeeds, probe);
    if (project.loaded && bytes.size() >= 4) {
        bytes[2] = char(kProjectMinorVersion & 0xFF);
        bytes[3] = char(kProjectMinorVersion >> 8);
    }
    project.bytes = std::move(bytes);
    return true;
}

RgbaImage RenderMember(const ProjectTemplate& project, const std::vector<int32_t>& seeds) {
    InstructionList queue;
    if (project.loaded) {
        std::deque<int32_t> seedQueue(seeds.begin(), seeds.end());
        MemoryByteSource source(project.bytes.data(), project.bytes.size());
        if (!DecodeProject(source, seedQueue, queue)) queue.clear();
    }
    // A tavelin run starts with a generator fresh from the random device; so
    // does every member, whatever this thread rendered before.
    thread_local std::random_device device;
    ReseedParameterRng(uint32_t(device()));
    SelectableRaster raster(kMemberSize, kMemberSize);
    raster.ClearSelection();
    Generate(raster, queue);
    return raster.CompositeImage();
}

namespace {

// ---------------------------------------------------------------------------
// [SECTION] Checks before any work
// ---------------------------------------------------------------------------

struct Job {
    size_t member;  // index in the seed set
    size_t cell;    // position on the contact sheet
};

// What the checks establish and the workers share.
struct RunPlan {
    const FamilyOptions& options;
    SeedSet seeds;
    std::string stem;
    std::vector<Job> jobs;
    ProjectTemplate project;
    std::unique_ptr<ContactSheet> sheet;
    std::string sheetFolder, sheetName;

    explicit RunPlan(const FamilyOptions& o) : options(o) {}
    std::string NameOf(const Job& job) const {
        return MemberFileName(options.pattern, stem, seeds.Label(job.member), job.member);
    }
};

// The members of this shard, each with its file name; 0 or an exit status.
int PlanJobs(RunPlan& plan) {
    const FamilyOptions& options = plan.options;
    std::string error;
    if (!ParseSeedSpec(options.seeds, plan.seeds, error)) return Fail(kExitBadSeeds, error);
    error = CheckPattern(options.pattern);
    if (!error.empty()) return Fail(kExitBadOutput, error);
    plan.stem = ProjectStem(options.project);
    const std::vector<size_t> members = ShardMembers(plan.seeds.Size(), options.shardIndex, options.shardCount);
    plan.jobs.reserve(members.size());
    for (size_t cell = 0; cell < members.size(); ++cell) {
        plan.jobs.push_back(Job{members[cell], cell});
        const std::string name = plan.NameOf(plan.jobs.back());
        if (name.size() > NAME_MAX) return Fail(kExitBadOutput, "the file name '" + name + "' is too long");
    }
    return 0;
}

// The contact sheet's path and size, then the sheet itself; 0 or an exit status.
int PrepareContactSheet(RunPlan& plan) {
    const std::string& path = plan.options.contactSheet;
    const size_t slash = path.find_last_of('/');
    plan.sheetFolder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    plan.sheetName = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat info, outInfo, folderInfo;
    std::string error;
    if (plan.sheetName.empty() || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return Fail(kExitBadOutput, "contact sheet '" + path + "' names a folder, not a file");
    if (::stat(plan.sheetFolder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return Fail(kExitBadOutput, "the folder of contact sheet '" + path + "' does not exist");
    if (!PrepareOutputFolder(plan.sheetFolder, error))
        return Fail(kExitBadOutput, "cannot write contact sheet '" + path + "'");
    if (::stat(plan.options.outDir.c_str(), &outInfo) == 0 && SameFile(outInfo, folderInfo)) {
        for (const Job& job : plan.jobs)
            if (plan.NameOf(job) == plan.sheetName)
                return Fail(kExitBadOutput, "contact sheet '" + path + "' would replace a member");
    }
    const std::string count = std::to_string(plan.jobs.size());
    if (plan.jobs.size() > ContactSheet::kMaxPixels / (kMemberSize * kMemberSize))
        return Fail(kExitTooLarge, "a contact sheet of " + count +
                                       " members is too large; split the set with --shard or a smaller --seeds");
    std::vector<std::string> labels;
    labels.reserve(plan.jobs.size());
    for (const Job& job : plan.jobs) labels.push_back(plan.seeds.Label(job.member));
    plan.sheet = std::make_unique<ContactSheet>(std::move(labels), int(kMemberSize), int(kMemberSize));
    if (plan.sheet->TooLarge())
        return Fail(kExitTooLarge, "a contact sheet of " + count + " members would be " +
                                       std::to_string(plan.sheet->Width()) + " x " +
                                       std::to_string(plan.sheet->Height()) +
                                       " pixels; split the set with --shard or a smaller --seeds");
    plan.sheet->Prepare();
    return 0;
}

// Everything that can be checked before rendering, in the order a user fixes
// them; 0 or an exit status.
int CheckBeforeWork(RunPlan& plan, const std::string& exeName) {
    const FamilyOptions& options = plan.options;
    // The project file, checked first and reported exactly as tavelin reports it.
    std::FILE* probe = std::fopen(options.project.c_str(), "rb");
    if (probe == nullptr) return FileNotFound(exeName);
    std::fclose(probe);

    if (const int status = PlanJobs(plan)) return status;

    // Loaded once, here, so that its messages appear once, after every
    // argument has been accepted. As in tavelin, a project that does not load
    // (the loader has said why) ends the run with -1 and nothing is written.
    bool tooLarge = false;
    if (!LoadProjectTemplate(options.project, plan.project, tooLarge)) {
        if (tooLarge) return Fail(kExitTooLarge, "project file '" + options.project + "' is larger than 256 MiB");
        return FileNotFound(exeName);
    }
    if (!plan.project.loaded) return kExitProject;

    std::string error;
    if (!PrepareOutputFolder(options.outDir, error)) return Fail(kExitBadOutput, error);
    if (!options.contactSheet.empty()) return PrepareContactSheet(plan);
    return 0;
}

// ---------------------------------------------------------------------------
// [SECTION] Resuming: members already on disk
// ---------------------------------------------------------------------------

// Drops the jobs whose file exists (files only ever appear complete under
// their final name) and puts those members on the sheet. Returns how many.
size_t KeepExistingMembers(RunPlan& plan) {
    size_t kept = 0;
    std::vector<Job> remaining;
    RgbaImage pixels;
    for (Job& job : plan.jobs) {
        const std::string path = JoinPath(plan.options.outDir, plan.NameOf(job));
        struct stat info;
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            remaining.push_back(job);
            continue;
        }
        // A file that is no member image is rendered again for the sheet.
        if (plan.sheet && !LoadPng(path, kMemberSize, kMemberSize, pixels)) {
            remaining.push_back(job);
            continue;
        }
        if (plan.sheet) plan.sheet->Place(job.cell, pixels);
        ++kept;
    }
    plan.jobs = std::move(remaining);
    return kept;
}

// ---------------------------------------------------------------------------
// [SECTION] Worker pool
// ---------------------------------------------------------------------------

struct PoolState {
    const RunPlan& plan;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::mutex mutex;  // guards firstError and the finished-worker count
    std::condition_variable finishedChanged;
    size_t finishedWorkers = 0;
    std::string firstError;

    explicit PoolState(const RunPlan& p) : plan(p) {}
};

void Worker(PoolState& state) {
    const RunPlan& plan = state.plan;
    for (;;) {
        if (state.stop.load() || familyStopSignal.load() != 0) break;
        const size_t i = state.next.fetch_add(1);
        if (i >= plan.jobs.size()) break;
        const Job& job = plan.jobs[i];
        const RgbaImage image = RenderMember(plan.project, plan.seeds.Tuple(job.member));
        std::string error;
        if (!WriteFileAtomically(plan.options.outDir, plan.NameOf(job), EncodePng(image), error)) {
            std::lock_guard<std::mutex> lock(state.mutex);
            if (state.firstError.empty()) state.firstError = error;
            state.failed = true;
            state.stop = true;  // a full disk or a vanished folder fails every later member too
            break;
        }
        if (plan.sheet) plan.sheet->Place(job.cell, image);
        state.done.fetch_add(1);
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    ++state.finishedWorkers;
    state.finishedChanged.notify_all();
}

// Renders every job on `workerCount` threads while the progress line follows.
void RenderMembers(PoolState& state, size_t workerCount, bool quiet) {
    const size_t total = state.plan.jobs.size();
    ProgressLine progress(stderr, !quiet);
    std::vector<std::thread> workers;
    for (size_t w = 0; w < workerCount; ++w) workers.emplace_back(Worker, std::ref(state));
    {
        std::unique_lock<std::mutex> lock(state.mutex);
        while (state.finishedWorkers < workerCount) {
            state.finishedChanged.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            progress.Update(state.done.load(), total);
            lock.lock();
        }
    }
    for (std::thread& worker : workers) worker.join();
    progress.Finish(state.done.load(), total);
}

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] The whole run
// ---------------------------------------------------------------------------

int RunFamily(const FamilyOptions& options, const std::string& exeName) {
    RunPlan plan(options);
    if (const int status = CheckBeforeWork(plan, exeName)) return status;
    const size_t kept = options.skipExisting ? KeepExistingMembers(plan) : 0;

    const size_t total = plan.jobs.size();
    const uint32_t wanted = options.jobs == 0 ? AvailableCores() : options.jobs;
    const size_t workerCount = std::max<size_t>(1, std::min<size_t>(wanted, total));
    const auto start = std::chrono::steady_clock::now();
    PoolState state(plan);
    RenderMembers(state, workerCount, options.quiet);

    if (state.failed) return Fail(kExitMembersFailed, state.firstError);
    if (const int signal = familyStopSignal.load(); signal != 0) {
        if (!options.quiet)
            Fail(0, "interrupted; " + std::to_string(state.done.load()) + " of " + std::to_string(total) +
                        " members written, the rest can be resumed with --skip-existing");
        return 128 + signal;
    }
    std::string error;
    if (plan.sheet && !WriteFileAtomically(plan.sheetFolder, plan.sheetName, EncodePng(plan.sheet->Image()), error))
        return Fail(kExitMembersFailed, error);
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char line[160];
        std::snprintf(line, sizeof line, "tavelin-family: %zu members written, %zu kept, %zu jobs, %.2f s", total,
                      kept, workerCount, seconds);
        PrintErrorLine(line);
    }
    return kExitOk;
}
