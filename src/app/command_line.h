#pragma once
// The entry point's reading of the command line. Headless: no graphics.
#include <cstdint>
#include <string>

// The last component of the invocation path (one trailing '/' or '\' dropped
// first); the whole text when it has no separator.
std::string ExeNameFromInvocation(const std::string& invocation);

// Base-10 conversion of a seed argument: leading blanks skipped, an optional
// sign, digits up to the first non-digit (the rest ignored). False when there
// is no digit or the value lies outside the signed 32-bit range.
bool ParseSeedArgument(const char* text, int32_t& seed);

// The whole program: prints the "Headless directory is: " line, checks the
// arguments in order, then runs the batch run (any argument) or the editor
// (none). Returns the exit status, 0 or -1.
int RunTavelin(int argc, char** argv);
