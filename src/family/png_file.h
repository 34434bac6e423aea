#pragma once
// PNG files of the family run: encoded with the same writer and settings as
// tavelin's own output, and written so that a file under its final name is
// always complete.
#include <string>
#include <vector>

// The PNG bytes of an RGBA image whose rows run from the top of the picture.
std::string EncodePng(const unsigned char* topDownRgba, int width, int height);

// Writes bytes to a new hidden temporary file in `folder`, then renames it to
// `folder/name` (replacing a file of that name). On failure nothing is left
// behind and `error` holds the reason.
bool WriteFileAtomically(const std::string& folder, const std::string& name, const std::string& bytes,
                         std::string& error);

// Creates the folder (and its parents) when missing and checks that files
// can be created in it, by creating and removing a probe file.
bool PrepareOutputFolder(const std::string& folder, std::string& error);

// Reads a PNG written earlier: true when it is width x height, with its
// pixels as RGBA rows from the top in `out`.
bool LoadPng(const std::string& path, int width, int height, std::vector<unsigned char>& out);
