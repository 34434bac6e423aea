// tavelin-family: renders many members of a texture family in one run.
#include <malloc.h>
#include <signal.h>

#include "family/family_run.h"
#include "family/options.h"
#include "project/file_io.h"

namespace {

void OnStopSignal(int signal) { familyStopSignal.store(signal); }

}  // namespace

int main(int argc, char** argv) {
    FamilyOptions options;
    int status = 0;
    if (ParseFamilyArguments(argc, argv, options, status) == ParseOutcome::kExit) return status;

    // Every member allocates and frees the same buffers again: keep them in
    // the heap instead of mapping and unmapping them (page faults) each time.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);

    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    return RunFamily(options, LastPathComponent(argc > 0 ? argv[0] : "tavelin-family"));
}
