#pragma once
// The run's manifest for pipelines: one JSON object per line and member, in
// seed-set order:
//   {"seeds":[7,9],"file":"brick-7_9.png","sha256":"<64 hex digits>","width":100,"height":100}
// "file" is the member's name in the output folder.
#include <cstdint>
#include <string>
#include <vector>

struct ManifestEntry {
    std::vector<int32_t> seeds;
    std::string file;
    std::string sha256;  // of the file's bytes, lower-case hex
    uint32_t width = 0, height = 0;
};

// Lower-case hex SHA-256 of bytes.
std::string Sha256Hex(const std::string& bytes);

// One line of the manifest, with its end of line.
std::string ManifestLine(const ManifestEntry& entry);
