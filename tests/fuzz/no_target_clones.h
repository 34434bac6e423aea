// Forced into files with multiversioned functions in the fuzz build: their
// generic version only (see CMakeLists.txt).
#define target_clones(...) unused
