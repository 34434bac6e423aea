#pragma once
// The entry point's reading of the command line. Headless: no graphics.
//
//   tavelin [OPTION]... [PROJECT [SEED]...]
//
// Options come before the project: -o/--output FILE (- for standard output),
// --edit FILE, -h/--help, --version; "--" ends them. The first other argument
// is the project path and every later one a seed, read exactly as without
// options (a path that looks like an option is a path, a seed a seed).

// The whole program: checks the arguments, prints the "Headless directory
// is: " line, then runs the batch run (a project) or the editor (no project,
// or --edit). Returns the exit status: 0, or -1.
int RunTavelin(int argc, char** argv);
