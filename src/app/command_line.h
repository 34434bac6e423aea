#pragma once
// The entry point's reading of the command line. Headless: no graphics.

// The whole program: prints the "Headless directory is: " line, checks the
// arguments in order, then runs the batch run (any argument) or the editor
// (none). Returns the exit status, 0 or -1.
int RunTavelin(int argc, char** argv);
