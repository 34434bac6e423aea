// [SECTION] project template and one member
// [SECTION] validation before any work
// [SECTION] worker pool
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
#include "family/output_names.h"
#include "family/png_file.h"
#include "family/progress.h"
#include "family/seed_set.h"
#include "instructions/parameter_rng.h"
#include "project/project_file_format.h"
#include "raster/generate.h"
#include "raster/selectable_raster.h"

std::atomic<int> familyStopSignal{0};

namespace {

constexpr uint32_t kMemberSize = 100;
constexpr size_t kMaxProjectBytes = size_t(256) << 20;

int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "tavelin-family: %s\n", message.c_str());
    return status;
}

// tavelin's message for a project file it cannot open, naming this program.
int FileNotFound(const std::string& exeName) {
    std::fprintf(stderr, "File not found or inaccessible. \n\n\tUsage: %s [path_to_file] [seed1] [seed2] ...\n\n",
                 exeName.c_str());
    return kExitProject;
}

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] project template and one member
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

std::vector<unsigned char> RenderMember(const ProjectTemplate& project, const std::vector<int32_t>& seeds) {
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
    return CompositeImageTopDown(raster);
}

// ---------------------------------------------------------------------------
// [SECTION] validation before any work
// ---------------------------------------------------------------------------

namespace {

struct Job {
    size_t member;  // index in the seed set
    size_t cell;    // position on the contact sheet
};

struct RunState {
    const FamilyOptions* options = nullptr;
    const ProjectTemplate* project = nullptr;
    const SeedSet* seeds = nullptr;
    std::string stem;
    std::vector<Job> jobs;
    ContactSheet* sheet = nullptr;

    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::mutex mutex;  // guards firstError and the finished-worker count
    std::condition_variable finishedChanged;
    size_t finishedWorkers = 0;
    std::string firstError;
};

void Worker(RunState& state) {
    for (;;) {
        if (state.stop.load() || familyStopSignal.load() != 0) break;
        const size_t i = state.next.fetch_add(1);
        if (i >= state.jobs.size()) break;
        const Job& job = state.jobs[i];
        const std::string name =
            MemberFileName(state.options->pattern, state.stem, state.seeds->Label(job.member), job.member);
        const std::vector<unsigned char> image = RenderMember(*state.project, state.seeds->Tuple(job.member));
        std::string error;
        if (!WriteFileAtomically(state.options->outDir, name, EncodePng(image.data(), kMemberSize, kMemberSize),
                                 error)) {
            std::lock_guard<std::mutex> lock(state.mutex);
            if (state.firstError.empty()) state.firstError = error;
            state.failed = true;
            state.stop = true;  // a full disk or a vanished folder fails every later member too
            break;
        }
        if (state.sheet != nullptr) state.sheet->Place(job.cell, image.data());
        state.done.fetch_add(1);
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    ++state.finishedWorkers;
    state.finishedChanged.notify_all();
}

}  // namespace

int RunFamily(const FamilyOptions& options, const std::string& exeName) {
    // The project file, checked first and reported exactly as tavelin reports it.
    ProjectTemplate project;
    bool tooLarge = false;
    {
        std::FILE* probe = std::fopen(options.project.c_str(), "rb");
        if (probe == nullptr) {
            return FileNotFound(exeName);
        }
        std::fclose(probe);
    }

    SeedSet seeds;
    std::string error;
    if (!ParseSeedSpec(options.seeds, seeds, error)) return Fail(kExitBadSeeds, error);

    error = CheckPattern(options.pattern);
    if (!error.empty()) return Fail(kExitBadOutput, error);

    const std::string stem = ProjectStem(options.project);
    const std::vector<size_t> members = ShardMembers(seeds.Size(), options.shardIndex, options.shardCount);
    auto nameOf = [&](const Job& job) {
        return MemberFileName(options.pattern, stem, seeds.Label(job.member), job.member);
    };
    std::vector<Job> jobs;
    jobs.reserve(members.size());
    for (size_t cell = 0; cell < members.size(); ++cell) {
        jobs.push_back(Job{members[cell], cell});
        const std::string name = nameOf(jobs.back());
        if (name.size() > NAME_MAX) return Fail(kExitBadOutput, "the file name '" + name + "' is too long");
    }

    // Loaded once, here, so that its messages appear once, after every
    // argument has been accepted. As in tavelin, a project that does not load
    // (the loader has said why) ends the run with -1 and nothing is written.
    if (!LoadProjectTemplate(options.project, project, tooLarge)) {
        if (tooLarge) return Fail(kExitTooLarge, "project file '" + options.project + "' is larger than 256 MiB");
        return FileNotFound(exeName);
    }
    if (!project.loaded) return kExitProject;

    if (!PrepareOutputFolder(options.outDir, error)) return Fail(kExitBadOutput, error);

    std::unique_ptr<ContactSheet> sheet;
    std::string sheetFolder, sheetName;
    if (!options.contactSheet.empty()) {
        const size_t slash = options.contactSheet.find_last_of('/');
        sheetFolder = slash == std::string::npos ? "." : options.contactSheet.substr(0, slash + 1);
        sheetName = slash == std::string::npos ? options.contactSheet : options.contactSheet.substr(slash + 1);
        struct stat info, outInfo, folderInfo;
        if (sheetName.empty() || (::stat(options.contactSheet.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
            return Fail(kExitBadOutput, "contact sheet '" + options.contactSheet + "' names a folder, not a file");
        if (::stat(sheetFolder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
            return Fail(kExitBadOutput, "the folder of contact sheet '" + options.contactSheet + "' does not exist");
        if (!PrepareOutputFolder(sheetFolder, error))
            return Fail(kExitBadOutput, "cannot write contact sheet '" + options.contactSheet + "'");
        if (::stat(options.outDir.c_str(), &outInfo) == 0 && SameFile(outInfo, folderInfo)) {
            for (const Job& job : jobs)
                if (nameOf(job) == sheetName)
                    return Fail(kExitBadOutput, "contact sheet '" + options.contactSheet + "' would replace a member");
        }
        if (jobs.size() > ContactSheet::kMaxPixels / (kMemberSize * kMemberSize))
            return Fail(kExitTooLarge, "a contact sheet of " + std::to_string(jobs.size()) +
                                           " members is too large; split the set with --shard or a smaller --seeds");
        std::vector<std::string> labels;
        labels.reserve(jobs.size());
        for (const Job& job : jobs) labels.push_back(seeds.Label(job.member));
        sheet = std::make_unique<ContactSheet>(std::move(labels), int(kMemberSize), int(kMemberSize));
        if (sheet->TooLarge())
            return Fail(kExitTooLarge, "a contact sheet of " + std::to_string(jobs.size()) + " members would be " +
                                           std::to_string(sheet->Width()) + " x " + std::to_string(sheet->Height()) +
                                           " pixels; split the set with --shard or a smaller --seeds");
    }

    if (sheet) sheet->Prepare();

    // Resume: a member whose file exists is finished (files only ever appear
    // complete under their final name).
    size_t kept = 0;
    if (options.skipExisting) {
        std::vector<Job> remaining;
        std::vector<unsigned char> pixels;
        for (Job& job : jobs) {
            const std::string path = Join(options.outDir, nameOf(job));
            struct stat info;
            if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                remaining.push_back(std::move(job));
                continue;
            }
            // A file that is no member image is rendered again for the sheet.
            if (sheet && !LoadPng(path, int(kMemberSize), int(kMemberSize), pixels)) {
                remaining.push_back(std::move(job));
                continue;
            }
            if (sheet) sheet->Place(job.cell, pixels.data());
            ++kept;
        }
        jobs = std::move(remaining);
    }

    // ---------------------------------------------------------------------------
    // [SECTION] worker pool
    // ---------------------------------------------------------------------------
    RunState state;
    state.options = &options;
    state.project = &project;
    state.seeds = &seeds;
    state.stem = stem;
    state.jobs = std::move(jobs);
    state.sheet = sheet.get();
    const size_t total = state.jobs.size();
    const uint32_t wanted = options.jobs == 0 ? AvailableCores() : options.jobs;
    const size_t workerCount = std::max<size_t>(1, std::min<size_t>(wanted, total));

    ProgressLine progress(stderr, !options.quiet);
    const auto start = std::chrono::steady_clock::now();
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

    if (state.failed) return Fail(kExitMembersFailed, state.firstError);
    if (const int signal = familyStopSignal.load(); signal != 0) {
        if (!options.quiet)
            std::fprintf(stderr, "tavelin-family: interrupted; %zu of %zu members written, the rest can be resumed "
                                 "with --skip-existing\n", state.done.load(), total);
        return 128 + signal;
    }
    if (sheet) {
        const RgbaImage& image = sheet->Image();
        if (!WriteFileAtomically(sheetFolder, sheetName, EncodePng(image.pixels.data(), image.width, image.height),
                                 error))
            return Fail(kExitMembersFailed, error);
    }
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "tavelin-family: %zu members written, %zu kept, %zu jobs, %.2f s\n", total, kept,
                     workerCount, seconds);
    }
    return kExitOk;
}
