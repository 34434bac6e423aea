// The family run, in the order it happens:
//   [SECTION] Project template and one member
//   [SECTION] Checks before any work: project, seed set, pattern, names, folders, sheet
//   [SECTION] Resuming: members already on disk
//   [SECTION] Worker pool
//   [SECTION] Manifest
//   [SECTION] The whole run
#include "family/family_run.h"

#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

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
#include "family/manifest.h"
#include "family/member_files.h"
#include "family/output_names.h"
#include "family/progress.h"
#include "family/seed_set.h"
#include "functions/render_memory.h"
#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "project/file_io.h"
#include "project/project_file_format.h"
#include "raster/console.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

std::atomic<int> familyStopSignal{0};

namespace {

// Members on the contact sheet are shown at the design size.
constexpr uint32_t kThumbnailSize = 100;
// Far beyond any project the editor writes (65,536 instructions at most).
constexpr size_t kMaxProjectBytes = size_t(64) << 20;

int Fail(int status, const std::string& message) {
    PrintErrorLine("tavelin-family: " + message);
    return status;
}

// A project file that cannot be opened or read, with this program's usage line.
int ProjectUnusable(const std::string& exeName, const std::string& path, const std::string& why) {
    PrintErrorLine("tavelin-family: cannot read project file '" + path + "': " + why);
    PrintErrorLine("Usage: " + exeName + " PROJECT.pcg --seeds SPEC --out DIR [OPTION]... (see --help)");
    return kExitProject;
}

// "1 member", "2 members".
std::string Count(size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] Project template and one member
// ---------------------------------------------------------------------------

bool LoadProjectTemplate(const std::string& path, ProjectTemplate& project, std::string& why) {
    std::string bytes;
    if (!ReadFileBounded(path, kMaxProjectBytes, bytes, why)) return false;
    MemoryByteSource source(bytes.data(), bytes.size());
    std::deque<int32_t> noSeeds;
    DecodeFailure failure;
    project.loaded = DecodeProject(source, noSeeds, project.queue, &failure);
    // Every failure gets one line saying why, as tavelin gives it.
    if (!project.loaded && !failure.printed) PrintErrorLine("Could not load " + path + ": " + failure.reason);
    if (project.loaded && bytes.size() >= 4) {
        bytes[2] = char(kProjectMinorVersion & 0xFF);
        bytes[3] = char(kProjectMinorVersion >> 8);
    }
    project.bytes = std::move(bytes);
    return true;
}

bool RenderMember(const ProjectTemplate& project, const std::vector<int32_t>& seeds, uint32_t size, RgbaImage& image) {
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
    SelectableRaster raster = RenderScale::Raster(size);
    // A stop signal ends a long member at its next instruction.
    if (!Generate(raster, queue, [](size_t, size_t) { return familyStopSignal.load() == 0; })) return false;
    image = raster.CompositeImage();
    return true;
}

namespace {

// ---------------------------------------------------------------------------
// [SECTION] Checks before any work
// ---------------------------------------------------------------------------

struct Job {
    size_t member;  // index in the seed set
    size_t cell;    // position on the contact sheet
    std::string name;
};

// What the checks establish and the workers share.
struct RunPlan {
    const FamilyOptions& options;
    SeedSet seeds;
    std::string stem;
    std::vector<Job> jobs;  // this shard's members, in set order
    ProjectTemplate project;
    std::unique_ptr<ContactSheet> sheet;
    std::string sheetFolder, sheetName;
    std::vector<ManifestEntry> manifest;  // per job; sha256 empty while the member is missing
    uint64_t maxWorkers = 1;              // as many as the memory limit holds

    explicit RunPlan(const FamilyOptions& o) : options(o) {}
};

// The folder and name of an output file given as a path.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The members of this shard, each with its own file name; 0 or an exit status.
int PlanJobs(RunPlan& plan) {
    const FamilyOptions& options = plan.options;
    std::string error;
    if (!ParseSeedSpec(options.seeds, plan.seeds, error)) return Fail(kExitBadSeeds, "bad seed set: " + error);
    error = CheckPattern(options.pattern);
    if (!error.empty()) return Fail(kExitBadOutput, error);
    plan.stem = ProjectStem(options.project);
    const std::vector<size_t> members = ShardMembers(plan.seeds.Size(), options.shardIndex, options.shardCount);
    plan.jobs.reserve(members.size());
    std::map<std::string, size_t> owners;  // file name -> first member with it
    for (size_t cell = 0; cell < members.size(); ++cell) {
        const size_t member = members[cell];
        const std::string name = MemberFileName(options.pattern, plan.stem, plan.seeds.Label(member), member);
        if (name.size() > NAME_MAX) return Fail(kExitBadOutput, "the file name '" + name + "' is too long");
        const auto [owner, fresh] = owners.emplace(name, member);
        if (!fresh)
            return Fail(kExitBadOutput, "members " + std::to_string(owner->second) + " (seeds " +
                                            plan.seeds.Label(owner->second) + ") and " + std::to_string(member) +
                                            " (seeds " + plan.seeds.Label(member) + ") would both be written as " +
                                            name);
        plan.jobs.push_back(Job{member, cell, name});
    }
    return 0;
}

// The contact sheet's path and size, then the sheet itself; 0 or an exit status.
int PrepareContactSheet(RunPlan& plan) {
    const std::string& path = plan.options.contactSheet;
    SplitPath(path, plan.sheetFolder, plan.sheetName);
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
            if (job.name == plan.sheetName)
                return Fail(kExitBadOutput, "contact sheet '" + path + "' would replace a member");
    }
    if (plan.jobs.size() > ContactSheet::kMaxMembers)
        return Fail(kExitTooLarge, "a contact sheet holds at most " + std::to_string(ContactSheet::kMaxMembers) +
                                       " members, not " + std::to_string(plan.jobs.size()) +
                                       "; split the set with --shard or a smaller --seeds");
    std::vector<std::string> labels;
    labels.reserve(plan.jobs.size());
    for (const Job& job : plan.jobs) labels.push_back(plan.seeds.Label(job.member));
    plan.sheet = std::make_unique<ContactSheet>(std::move(labels), int(kThumbnailSize), int(kThumbnailSize));
    plan.sheet->Prepare();
    return 0;
}

// A member must fit the memory limit, and all workers at once must too:
// fewer of them run when they would not. 0 or an exit status.
int CheckMemory(RunPlan& plan) {
    const FamilyOptions& options = plan.options;
    const uint64_t limit = options.memoryLimit != 0 ? options.memoryLimit : DefaultMemoryLimit();
    const uint64_t member = RenderMemoryBytes(plan.project.queue, options.size);
    const std::string side = std::to_string(options.size);
    if (member > limit)
        return Fail(kExitTooLarge, "a " + side + " x " + side + " member of " + options.project + " needs about " +
                                       ByteSizeText(member) + ", more than the limit of " + ByteSizeText(limit) +
                                       " (--memory-limit)");
    plan.maxWorkers = std::max<uint64_t>(1, limit / std::max<uint64_t>(member, 1));
    return 0;
}

// Everything that can be checked before rendering, in the order a user fixes
// them; 0 or an exit status.
int CheckBeforeWork(RunPlan& plan, const std::string& exeName) {
    const FamilyOptions& options = plan.options;
    // The project file first: it must be there and readable.
    std::FILE* probe = std::fopen(options.project.c_str(), "rb");
    if (probe == nullptr) return ProjectUnusable(exeName, options.project, std::strerror(errno));
    std::fclose(probe);

    if (const int status = PlanJobs(plan)) return status;

    // Loaded once, here, so that its messages appear once, after every
    // argument has been accepted. As in tavelin, a project that does not load
    // (the loader has said why) ends the run with -1 and nothing is written.
    std::string why;
    if (!LoadProjectTemplate(options.project, plan.project, why)) {
        if (why.rfind("larger than", 0) == 0) return Fail(kExitTooLarge, "project file '" + options.project + "' is " + why);
        return ProjectUnusable(exeName, options.project, why);
    }
    if (!plan.project.loaded) return kExitProject;
    if (const int status = CheckMemory(plan)) return status;

    std::string error;
    if (!PrepareOutputFolder(options.outDir, error)) return Fail(kExitBadOutput, error);
    // Temporaries of an earlier run of this machine that was killed.
    RemoveStaleTemporaries(options.outDir);
    if (!options.manifest.empty()) {
        std::string folder, name;
        SplitPath(options.manifest, folder, name);
        if (name.empty() || !PrepareOutputFolder(folder, error))
            return Fail(kExitBadOutput, "cannot write manifest '" + options.manifest + "'");
    }
    if (!options.contactSheet.empty()) return PrepareContactSheet(plan);
    return 0;
}

// ---------------------------------------------------------------------------
// [SECTION] Resuming: members already on disk
// ---------------------------------------------------------------------------

// Drops the jobs whose file is already a complete PNG of the member's size
// (files only ever appear complete under their final name; anything else
// there is rendered again) and puts those members on the sheet and in the
// manifest. Returns how many were kept.
size_t KeepExistingMembers(RunPlan& plan) {
    size_t kept = 0;
    std::vector<Job> remaining;
    RgbaImage pixels;
    for (Job& job : plan.jobs) {
        const std::string path = JoinPath(plan.options.outDir, job.name);
        if (!LoadPng(path, plan.options.size, plan.options.size, pixels)) {
            remaining.push_back(job);
            continue;
        }
        if (plan.sheet) plan.sheet->Place(job.cell, ReduceImage(pixels, kThumbnailSize));
        if (!plan.options.manifest.empty()) {
            std::string bytes, why;
            if (ReadFileBounded(path, kMaxProjectBytes, bytes, why)) plan.manifest[job.cell].sha256 = Sha256Hex(bytes);
        }
        ++kept;
    }
    plan.jobs = std::move(remaining);
    return kept;
}

// ---------------------------------------------------------------------------
// [SECTION] Worker pool
// ---------------------------------------------------------------------------

struct PoolState {
    RunPlan& plan;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::mutex mutex;  // guards firstError and the finished-worker count
    std::condition_variable finishedChanged;
    size_t finishedWorkers = 0;
    std::string firstError;

    explicit PoolState(RunPlan& p) : plan(p) {}
};

void Worker(PoolState& state) {
    RunPlan& plan = state.plan;
    for (;;) {
        if (state.stop.load() || familyStopSignal.load() != 0) break;
        const size_t i = state.next.fetch_add(1);
        if (i >= plan.jobs.size()) break;
        const Job& job = plan.jobs[i];
        RgbaImage image;
        if (!RenderMember(plan.project, plan.seeds.Tuple(job.member), plan.options.size, image)) break;
        const std::string png = EncodePng(image);
        std::string error;
        if (!WriteFileAtomically(plan.options.outDir, job.name, png, error)) {
            std::lock_guard<std::mutex> lock(state.mutex);
            if (state.firstError.empty()) state.firstError = error;
            state.failed = true;
            state.stop = true;  // a full disk or a vanished folder fails every later member too
            break;
        }
        if (plan.sheet) plan.sheet->Place(job.cell, ReduceImage(image, kThumbnailSize));
        // Each job owns its own entry: no lock needed.
        if (!plan.options.manifest.empty()) plan.manifest[job.cell].sha256 = Sha256Hex(png);
        state.done.fetch_add(1);
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    ++state.finishedWorkers;
    state.finishedChanged.notify_all();
}

// Starts up to `wanted` workers; a worker the system refuses is reported and
// the run goes on with those it has (none: this thread renders).
size_t StartWorkers(PoolState& state, size_t wanted, std::vector<std::thread>& workers) {
    try {
        while (workers.size() < wanted) workers.emplace_back(Worker, std::ref(state));
    } catch (const std::system_error& error) {
        PrintErrorLine("tavelin-family: started " + Count(workers.size(), "worker", "workers") + " of " +
                       std::to_string(wanted) + " (" + error.what() + "); going on with " +
                       (workers.empty() ? std::string("this thread") : "those"));
    }
    return workers.size();
}

// Renders every job while the progress line follows; returns how many workers ran.
size_t RenderMembers(PoolState& state, size_t wanted, bool quiet) {
    const size_t total = state.plan.jobs.size();
    ProgressLine progress(!quiet);
    auto text = [&] { return "tavelin-family: " + ProgressText(state.done.load(), total, progress.Seconds()); };
    std::vector<std::thread> workers;
    const size_t started = StartWorkers(state, wanted, workers);
    if (started == 0) Worker(state);
    {
        std::unique_lock<std::mutex> lock(state.mutex);
        while (state.finishedWorkers < std::max<size_t>(started, 1)) {
            state.finishedChanged.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            progress.Update(text());
            lock.lock();
        }
    }
    for (std::thread& worker : workers) worker.join();
    progress.Finish(text());
    return std::max<size_t>(started, 1);
}

// ---------------------------------------------------------------------------
// [SECTION] Manifest
// ---------------------------------------------------------------------------

// The members on disk, in set order; false with the reason when it cannot be written.
bool WriteManifest(const RunPlan& plan, std::string& error) {
    std::string text;
    for (const ManifestEntry& entry : plan.manifest)
        if (!entry.sha256.empty()) text += ManifestLine(entry);
    std::string why;
    if (ReplaceFile(plan.options.manifest, text, ReplaceOptions{}, why)) return true;
    error = "cannot write manifest '" + plan.options.manifest + "': " + why;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] The whole run
// ---------------------------------------------------------------------------

int RunFamily(const FamilyOptions& options, const std::string& exeName) {
    RunPlan plan(options);
    if (const int status = CheckBeforeWork(plan, exeName)) return status;
    if (!options.manifest.empty()) {
        plan.manifest.resize(plan.jobs.size());
        for (const Job& job : plan.jobs)
            plan.manifest[job.cell] =
                ManifestEntry{plan.seeds.Tuple(job.member), job.name, "", options.size, options.size};
    }
    const size_t kept = options.skipExisting ? KeepExistingMembers(plan) : 0;

    const size_t total = plan.jobs.size();
    uint64_t wanted = options.jobs == 0 ? AvailableCores() : options.jobs;
    if (wanted > plan.maxWorkers && total > plan.maxWorkers) {
        wanted = plan.maxWorkers;
        if (!options.quiet)
            PrintErrorLine("tavelin-family: running " + Count(wanted, "worker", "workers") +
                           ": more would need more memory than the limit");
    }
    const auto start = std::chrono::steady_clock::now();
    PoolState state(plan);
    const size_t workerCount = RenderMembers(state, std::max<size_t>(1, std::min<size_t>(wanted, total)), options.quiet);

    std::string error;
    // The manifest lists what is on disk, also after a failure or an interruption.
    const bool manifestWritten = options.manifest.empty() || WriteManifest(plan, error);
    if (state.failed) return Fail(kExitMembersFailed, state.firstError);
    if (const int signal = familyStopSignal.load(); signal != 0) {
        if (!options.quiet)
            Fail(0, "interrupted; " + std::to_string(state.done.load()) + " of " + Count(total, "member", "members") +
                        " written, the rest can be resumed with --skip-existing");
        return 128 + signal;
    }
    if (!manifestWritten) return Fail(kExitMembersFailed, error);
    if (plan.sheet && !WriteFileAtomically(plan.sheetFolder, plan.sheetName, EncodePng(plan.sheet->Image()), error))
        return Fail(kExitMembersFailed, error);
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", seconds);
        PrintErrorLine("tavelin-family: " + Count(total, "member", "members") + " written, " + std::to_string(kept) +
                       " kept, " + Count(workerCount, "job", "jobs") + ", " + time);
    }
    return kExitOk;
}
