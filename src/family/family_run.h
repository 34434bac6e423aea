#pragma once
// The family run: validates everything it can before any work (project file,
// seed set, pattern, output folder, contact sheet), then renders the members
// of its shard on a pool of worker threads. Each worker owns its raster and
// its generator (parameterRng() is per thread), and every member starts from
// a fresh raster and a freshly seeded generator, exactly as one run of
// `tavelin` does, so the output does not depend on the number of jobs.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "family/options.h"
#include "instructions/abstract_raster_function.h"
#include "raster/rgba_image.h"

// Set to a signal number by the SIGINT/SIGTERM handler: workers finish the
// member in hand, nothing more is started and the run ends with 128 + signal.
extern std::atomic<int> familyStopSignal;

// The project as the members load it.
struct ProjectTemplate {
    // False when the file did not load (its loader message has been printed).
    bool loaded = false;
    // The file's bytes, its minor version set to the current one so that the
    // per-member loads repeat no warning the first load printed.
    std::string bytes;
    // The queue as the file stores it (for the memory a member needs).
    InstructionList queue;
};

// Reads and loads the project once, printing the loader's messages (and,
// like tavelin, one line saying why when it does not load). Returns false,
// with the reason in `why`, only when the file cannot be read: missing, a
// folder or a device, or larger than 64 MiB ("larger than 64 MiB"); a file
// that does not load leaves `loaded` false.
bool LoadProjectTemplate(const std::string& path, ProjectTemplate& project, std::string& why);

// One member: the project loaded with `seeds` fed to its Seed parameters
// (the empty queue when the project did not load), generated on a new
// size x size raster by the calling thread after seeding its generator from
// the random device, into `image`. False when a stop signal ended it.
bool RenderMember(const ProjectTemplate& project, const std::vector<int32_t>& seeds, uint32_t size, RgbaImage& image);

// The whole run; returns the exit status. `exeName` names the program in the
// file-not-found message, as tavelin does.
int RunFamily(const FamilyOptions& options, const std::string& exeName);
