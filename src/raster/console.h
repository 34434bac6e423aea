#pragma once
// The program's console lines: every message is one line of fixed English
// text, written whole and flushed at once, so that lines of different
// threads or processes never interleave within a line.
#include <string>

// text + end of line on standard error (failures and warnings).
void PrintErrorLine(const std::string& text);
// text + end of line on standard output (informational lines).
void PrintInfoLine(const std::string& text);
