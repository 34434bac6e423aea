// Entry point: no argument starts the editor, a project path (and seeds)
// renders it headless.
#include "app/command_line.h"

int main(int argc, char** argv) { return RunTavelin(argc, argv); }
