#include "raster/png_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// ---- bit output: least significant bit first, as deflate wants ----
struct BitWriter {
    std::string& out;
    uint32_t buffer = 0;
    int count = 0;
    void Add(uint32_t code, int bits) {
        buffer |= code << count;
        count += bits;
        while (count >= 8) {
            out.push_back(char(buffer & 0xFF));
            buffer >>= 8;
            count -= 8;
        }
    }
    void PadToByte() {
        if (count > 0) out.push_back(char(buffer & 0xFF));
        buffer = 0;
        count = 0;
    }
};

constexpr uint32_t ReverseBits(uint32_t code, int bits) {
    uint32_t r = 0;
    while (bits--) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

// Fixed-Huffman codes of the literal/length alphabet, bits already reversed;
// the compiler makes the table.
struct FixedCodes {
    uint16_t code[288];
    uint8_t length[288];
    uint8_t distanceCode[30];
};
constexpr FixedCodes MakeFixedCodes() {
    FixedCodes codes{};
    for (int n = 0; n < 288; ++n) {
        int base = 0, bits = 0;
        if (n <= 143) base = 0x30 + n, bits = 8;
        else if (n <= 255) base = 0x190 + n - 144, bits = 9;
        else if (n <= 279) base = n - 256, bits = 7;
        else base = 0xC0 + n - 280, bits = 8;
        codes.code[n] = uint16_t(ReverseBits(uint32_t(base), bits));
        codes.length[n] = uint8_t(bits);
    }
    for (int d = 0; d < 30; ++d) codes.distanceCode[d] = uint8_t(ReverseBits(uint32_t(d), 5));
    return codes;
}
constexpr FixedCodes kCodes = MakeFixedCodes();

constexpr uint16_t kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23,  27,
                                31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 259};
const uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                  49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                  2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32768};
const uint8_t kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The length and distance codes by table instead of a walk along the bases:
// lengths 3 .. 258 by length; distances 1 .. 256 by distance - 1, longer ones
// by (distance - 1) / 128 (their bases, less one, are multiples of 128). Each
// code fills the range from its base to the next base; the compiler makes
// the tables.
struct CodeTables {
    uint8_t length[259];
    uint8_t nearDistance[256];
    uint8_t farDistance[256];
    int Distance(int d) const { return d <= 256 ? nearDistance[d - 1] : farDistance[(d - 1) >> 7]; }
};
constexpr CodeTables MakeCodeTables() {
    CodeTables tables{};
    for (int j = 0; j < 29; ++j)
        for (int n = kLengthBase[j]; n < kLengthBase[j + 1] && n <= 258; ++n) tables.length[n] = uint8_t(j);
    for (int j = 0; j < 30; ++j)
        for (int d = kDistanceBase[j]; d < kDistanceBase[j + 1]; d += d <= 256 ? 1 : 128) {
            if (d <= 256) tables.nearDistance[d - 1] = uint8_t(j);
            else tables.farDistance[(d - 1) >> 7] = uint8_t(j);
        }
    return tables;
}
constexpr CodeTables kCodeTables = MakeCodeTables();

constexpr uint32_t kHashSize = 16384;

uint32_t Hash3(const unsigned char* d) {
    uint32_t hash = uint32_t(d[0]) + (uint32_t(d[1]) << 8) + (uint32_t(d[2]) << 16);
    hash ^= hash << 3;
    hash += hash >> 5;
    hash ^= hash << 4;
    hash += hash >> 17;
    hash ^= hash << 25;
    hash += hash >> 6;
    return hash & (kHashSize - 1);
}

// Length of the common prefix of a and b, at most `limit` (at most 258).
// Both are read up to 15 bytes past the limit: the data is padded.
int MatchLength(const unsigned char* a, const unsigned char* b, int limit) {
#ifdef __SSE2__
    for (int i = 0; i < limit; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const unsigned differ = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFFu;
        if (differ != 0) return std::min(i + __builtin_ctz(differ), limit);
    }
    return limit;
#else
    int i = 0;
    while (i + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return i + __builtin_ctzll(x ^ y) / 8;
        i += 8;
    }
    while (i < limit && a[i] == b[i]) ++i;
    return i;
#endif
}

// Hash chains: per bucket up to 2 * quality positions, oldest first; a full
// bucket drops its older half before the next position goes in. A bucket
// gets its block of positions when its first one goes in, blocks in that
// order: a small picture touches a few pages of them, not the whole table
// (in a fresh process every page touched is a fault).
struct Chains {
    int capacity = 0;
    std::vector<uint16_t> block;  // per bucket: 1 + its block, 0 while it has none
    // Per block; set when the block is handed out, so left untouched until then.
    std::unique_ptr<uint16_t[]> counts;
    size_t countsAllocated = 0;
    std::unique_ptr<int32_t[]> positions;
    size_t allocated = 0;  // positions room
    uint32_t used = 0;     // blocks handed out
    void Reset(int quality, int length) {
        capacity = 2 * quality;
        block.assign(kHashSize, 0);
        // No more buckets are used than positions go in.
        const size_t blocks = std::min<size_t>(kHashSize, size_t(std::max(length, 1)));
        if (blocks * size_t(capacity) > allocated) {
            allocated = blocks * size_t(capacity);
            positions.reset(new int32_t[allocated]);  // left untouched until used
        }
        if (blocks > countsAllocated) {
            countsAllocated = blocks;
            counts.reset(new uint16_t[blocks]);
        }
        used = 0;
    }
    uint32_t Count(uint32_t h) const { return block[h] == 0 ? 0 : counts[block[h] - 1u]; }
    const int32_t* List(uint32_t h) const {
        return block[h] == 0 ? nullptr : &positions[size_t(block[h] - 1u) * size_t(capacity)];
    }
    void Push(uint32_t h, int32_t position) {
        if (block[h] == 0) {
            block[h] = uint16_t(++used);
            counts[used - 1] = 0;
        }
        const size_t b = block[h] - 1u;
        int32_t* list = &positions[b * size_t(capacity)];
        if (counts[b] == capacity) {
            const int half = capacity / 2;
            std::memmove(list, list + half, sizeof(int32_t) * size_t(half));
            counts[b] = uint16_t(half);
        }
        list[counts[b]++] = position;
    }
};

void Deflate(const unsigned char* data, int length, int quality, std::string& out) {
    if (quality < 5) quality = 5;
    thread_local Chains chains;
    chains.Reset(quality, length);
    out.push_back(char(0x78));
    out.push_back(char(0x5E));
    BitWriter bits{out};
    bits.Add(1, 1);  // final block
    bits.Add(1, 2);  // fixed Huffman
    auto literal = [&](int n) { bits.Add(kCodes.code[n], kCodes.length[n]); };

    int i = 0;
    while (i < length - 3) {
        uint32_t h = Hash3(data + i);
        // The longest match of at least 3 bytes, the newer one on a tie: the
        // bucket is searched newest first, so a longer one alone replaces the
        // best, and the search ends at the window's edge or at a match as
        // long as can be.
        int best = 2, bestPosition = -1;
        const int limit = std::min(length - i, 258);  // at least 4
        const int32_t* list = chains.List(h);
        for (int j = int(chains.Count(h)) - 1; j >= 0 && best < limit; --j) {
            const int32_t candidate = list[j];
            if (candidate <= i - 32768) break;
            const int d = MatchLength(data + candidate, data + i, limit);
            if (d > best) best = d, bestPosition = candidate;
        }
        chains.Push(h, i);
        // Lazy matching: a longer match at the next byte makes this one a
        // literal (none can be longer than the bytes left).
        const int nextLimit = std::min(length - i - 1, 258);
        if (bestPosition >= 0 && best < nextLimit) {
            h = Hash3(data + i + 1);
            list = chains.List(h);
            for (int j = int(chains.Count(h)) - 1; j >= 0 && list[j] > i - 32767; --j) {
                if (MatchLength(data + list[j], data + i + 1, nextLimit) > best) {
                    bestPosition = -1;
                    break;
                }
            }
        }
        if (bestPosition >= 0) {
            const int distance = i - bestPosition;
            int j = kCodeTables.length[best];
            literal(j + 257);
            if (kLengthExtra[j]) bits.Add(uint32_t(best - kLengthBase[j]), kLengthExtra[j]);
            j = kCodeTables.Distance(distance);
            bits.Add(kCodes.distanceCode[j], 5);
            if (kDistanceExtra[j]) bits.Add(uint32_t(distance - kDistanceBase[j]), kDistanceExtra[j]);
            i += best;
        } else {
            literal(data[i]);
            ++i;
        }
    }
    for (; i < length; ++i) literal(data[i]);
    literal(256);
    bits.PadToByte();

    // Stored blocks instead when compression made it larger.
    if (out.size() - 2 > size_t(length) + size_t((length + 32766) / 32767) * 5) {
        out.resize(2);
        for (int j = 0; j < length;) {
            int block = length - j;
            if (block > 32767) block = 32767;
            out.push_back(char(length - j == block));
            out.push_back(char(block & 0xFF));
            out.push_back(char((block >> 8) & 0xFF));
            out.push_back(char(~block & 0xFF));
            out.push_back(char((~block >> 8) & 0xFF));
            out.append(reinterpret_cast<const char*>(data + j), size_t(block));
            j += block;
        }
    }

    uint32_t s1 = 1, s2 = 0;
    for (int j = 0; j < length;) {
        const int end = j + 5552 < length ? j + 5552 : length;
        for (; j < end; ++j) {
            s1 += data[j];
            s2 += s1;
        }
        s1 %= 65521;
        s2 %= 65521;
    }
    for (int shift : {8, 0}) out.push_back(char((s2 >> shift) & 0xFF));
    for (int shift : {8, 0}) out.push_back(char((s1 >> shift) & 0xFF));
}

unsigned char Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return (unsigned char)a;
    if (pb <= pc) return (unsigned char)b;
    return (unsigned char)c;
}

#ifdef __SSE2__
// line[0..15] = z[0..15] minus Paeth's predictor of left (z - 4), up (u) and
// up-left (u - 4), as the scalar loop of FilterRow has it.
inline void PaethSixteen(const unsigned char* z, const unsigned char* u, signed char* line) {
    const __m128i zero = _mm_setzero_si128();
    auto load = [](const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i z8 = load(z), a8 = load(z - 4), b8 = load(u), c8 = load(u - 4);
    auto abs16 = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    auto half = [&](__m128i z16, __m128i a, __m128i b, __m128i c) {
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(bc), pb = abs16(ac), pc = abs16(_mm_add_epi16(bc, ac));
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        const __m128i takeC = _mm_cmpgt_epi16(pb, pc);
        const __m128i bOrC = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, b));
        const __m128i predictor = _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
        return _mm_and_si128(_mm_sub_epi16(z16, predictor), _mm_set1_epi16(0xFF));
    };
    const __m128i low = half(_mm_unpacklo_epi8(z8, zero), _mm_unpacklo_epi8(a8, zero), _mm_unpacklo_epi8(b8, zero),
                             _mm_unpacklo_epi8(c8, zero));
    const __m128i high = half(_mm_unpackhi_epi8(z8, zero), _mm_unpackhi_epi8(a8, zero), _mm_unpackhi_epi8(b8, zero),
                              _mm_unpackhi_epi8(c8, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(line), _mm_packus_epi16(low, high));
}
#endif

// The sum of the absolute values of a filtered row's bytes as signed.
int RowEstimate(const signed char* line, int rowBytes) {
    int i = 0, estimate = 0;
#ifdef __SSE2__
    __m128i sums = _mm_setzero_si128();
    for (; i + 16 <= rowBytes; i += 16) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + i));
        // |v| of a signed byte v is min(u, 256 - u) of its unsigned u.
        const __m128i magnitude = _mm_min_epu8(u, _mm_sub_epi8(_mm_setzero_si128(), u));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(magnitude, _mm_setzero_si128()));
    }
    estimate = _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
#endif
    for (; i < rowBytes; ++i) estimate += std::abs(int(line[i]));
    return estimate;
}

// One row filtered by `type` into line. On the first row "up" is no filter,
// "average" and "Paeth" see only the left neighbour.
void FilterRow(const unsigned char* z, ptrdiff_t stride, int rowBytes, bool firstRow, int filter, signed char* line) {
    static const int kMapping[] = {0, 1, 2, 3, 4};
    static const int kFirstRow[] = {0, 1, 0, 5, 6};
    const int type = firstRow ? kFirstRow[filter] : kMapping[filter];
    if (type == 0) {
        std::memcpy(line, z, size_t(rowBytes));
        return;
    }
    const int n = 4;
    for (int i = 0; i < n; ++i) {
        switch (type) {
            case 1: line[i] = (signed char)z[i]; break;
            case 2: line[i] = (signed char)(z[i] - z[i - stride]); break;
            case 3: line[i] = (signed char)(z[i] - (z[i - stride] >> 1)); break;
            case 4: line[i] = (signed char)(z[i] - Paeth(0, z[i - stride], 0)); break;
            default: line[i] = (signed char)z[i]; break;
        }
    }
    switch (type) {
        case 1: for (int i = n; i < rowBytes; ++i) line[i] = (signed char)(z[i] - z[i - n]); break;
        case 2: for (int i = n; i < rowBytes; ++i) line[i] = (signed char)(z[i] - z[i - stride]); break;
        case 3: for (int i = n; i < rowBytes; ++i) line[i] = (signed char)(z[i] - ((z[i - n] + z[i - stride]) >> 1)); break;
        case 4: {
            // Paeth's predictor with p - a, p - b and p - c worked out
            // (|b - c|, |a - c|, |a + b - 2c|), 16 bytes at a time, then byte
            // by byte.
            int i = n;
#ifdef __SSE2__
            for (; i + 16 <= rowBytes; i += 16) PaethSixteen(z + i, z + i - stride, line + i);
#endif
            for (; i < rowBytes; ++i) {
                const int a = z[i - n], b = z[i - stride], c = z[i - stride - n];
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                line[i] = (signed char)(z[i] - predictor);
            }
            break;
        }
        case 5: for (int i = n; i < rowBytes; ++i) line[i] = (signed char)(z[i] - (z[i - n] >> 1)); break;
        case 6: for (int i = n; i < rowBytes; ++i) line[i] = (signed char)(z[i] - Paeth(z[i - n], 0, 0)); break;
    }
}

// CRC-32 eight bytes at a time: table k gives the CRC of a byte followed by
// k zero bytes, so the eight lookups of one step add up (by xor) to eight
// steps of the byte-wise loop. The tables are made by the compiler.
struct CrcTables {
    uint32_t t[8][256];
};
constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables.t[0][n] = c;
    }
    for (int k = 1; k < 8; ++k)
        for (uint32_t n = 0; n < 256; ++n)
            tables.t[k][n] = (tables.t[k - 1][n] >> 8) ^ tables.t[0][tables.t[k - 1][n] & 0xFF];
    return tables;
}
constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t Crc32(const unsigned char* data, size_t length) {
    const auto& t = kCrcTables.t;
    uint32_t crc = ~0u;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        const uint32_t low = crc ^ (uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 |
                                    uint32_t(data[i + 3]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
    }
    for (; i < length; ++i) crc = (crc >> 8) ^ t[0][(data[i] ^ crc) & 0xFF];
    return ~crc;
}

void Put32(std::string& out, uint32_t v) {
    for (int shift : {24, 16, 8, 0}) out.push_back(char((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* tag, const std::string& body) {
    Put32(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.append(tag, 4);
    out += body;
    Put32(out, Crc32(reinterpret_cast<const unsigned char*>(out.data() + start), out.size() - start));
}

}  // namespace

std::string EncodePng(const RgbaRows& image, int level) {
    const int width = int(image.width);
    const int height = int(image.height);
    const int rowBytes = width * 4;
    // Deflate compares 16 bytes at a time: 16 bytes of padding after the data.
    constexpr size_t kPadding = 16;
    std::vector<unsigned char> filtered(size_t(rowBytes + 1) * size_t(height) + kPadding);
    // The row under each filter, the one with the smallest sum kept.
    std::vector<signed char> lines(size_t(rowBytes) * 5);
    for (int y = 0; y < height; ++y) {
        const unsigned char* z = image.Row(uint32_t(y));
        int bestFilter = 0, bestEstimate = 0x7fffffff;
        for (int filter = 0; filter < 5; ++filter) {
            signed char* line = &lines[size_t(filter) * size_t(rowBytes)];
            FilterRow(z, image.stride, rowBytes, y == 0, filter, line);
            const int estimate = RowEstimate(line, rowBytes);
            if (estimate < bestEstimate) bestEstimate = estimate, bestFilter = filter;
        }
        unsigned char* row = &filtered[size_t(y) * size_t(rowBytes + 1)];
        row[0] = (unsigned char)bestFilter;
        std::memcpy(row + 1, &lines[size_t(bestFilter) * size_t(rowBytes)], size_t(rowBytes));
    }
    std::string zlib;
    zlib.reserve(filtered.size());  // fixed codes rarely take more than the data (and never once stored)
    Deflate(filtered.data(), int(filtered.size() - kPadding), level, zlib);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Put32(header, uint32_t(width));
    Put32(header, uint32_t(height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", "");
    return png;
}
