#include "family/manifest.h"

#include <nettle/sha2.h>

#include <cstdio>

std::string Sha256Hex(const std::string& bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const uint8_t byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped; other
// bytes as they are (file names are whatever the pattern made of the stem).
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string ManifestLine(const ManifestEntry& entry) {
    std::string line = "{\"seeds\":[";
    for (size_t i = 0; i < entry.seeds.size(); ++i) line += (i ? "," : "") + std::to_string(entry.seeds[i]);
    line += "],\"file\":" + JsonString(entry.file) + ",\"sha256\":\"" + entry.sha256 + "\",\"width\":" +
            std::to_string(entry.width) + ",\"height\":" + std::to_string(entry.height) + "}\n";
    return line;
}
