// tavelin-family: renders many members of a texture family in one run.
#include <signal.h>

#include "family/family_run.h"
#include "family/options.h"

namespace {

void OnStopSignal(int signal) { familyStopSignal.store(signal); }

}  // namespace

int main(int argc, char** argv) {
    FamilyOptions options;
    int status = 0;
    if (ParseFamilyArguments(argc, argv, options, status) == ParseOutcome::kExit) return status;

    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    return RunFamily(options, ExecutableName(argc > 0 ? argv[0] : "tavelin-family"));
}
