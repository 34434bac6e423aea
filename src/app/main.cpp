// Entry point: to be completed with the command line and the batch run.
#include "app/editor_shell.h"

int main() { return RunEditor(); }
