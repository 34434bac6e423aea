#pragma once
// The files of the family run: written so that a file under its final name
// is always complete, in output folders checked before any work.
#include <string>

#include "raster/rgba_image.h"

// Writes bytes to a new hidden temporary file in `folder`, then renames it to
// `folder/name` (replacing a file of that name). On failure nothing is left
// behind and `error` holds the reason.
bool WriteFileAtomically(const std::string& folder, const std::string& name, const std::string& bytes,
                         std::string& error);

// Creates the folder (and its parents) when missing and checks that files
// can be created in it, by creating and removing a probe file.
bool PrepareOutputFolder(const std::string& folder, std::string& error);

// Reads a PNG written earlier: true when it is a regular file holding a
// complete PNG of width x height, its pixels then in `out`.
bool LoadPng(const std::string& path, uint32_t width, uint32_t height, RgbaImage& out);
