#include "app/editor_shell.h"

#include <cstdio>

// Placeholder until the interactive editor lands.
int RunEditor() {
    std::fputs("The editor is not built yet.\n", stderr);
    return -1;
}
