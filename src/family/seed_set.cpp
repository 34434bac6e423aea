#include "family/seed_set.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <numeric>

#include "project/file_io.h"
#include "project/seed_argument.h"

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// A seed written whole at text[at...]: an optional sign and decimal digits,
// within the signed 32-bit range. Advances `at` past it.
std::optional<int32_t> ReadSeed(const std::string& text, size_t& at) {
    size_t i = at;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    while (i < text.size() && IsDigit(text[i])) ++i;
    size_t end = 0;
    const std::optional<int32_t> seed = ParseSeedArgument(text.substr(at, i - at), &end);
    if (seed) at = i;
    return seed;
}

// A seed file of at most this size: a full set of 16,777,216 members fits.
constexpr size_t kMaxSeedFileBytes = size_t(256) << 20;
const char* const kTooMany = "the seed set has more than 16777216 members";

// One part of a tuple: a seed, or a range A-B or A..B (ends included,
// descending when B < A); the whole text must be used. Empty `error` and
// false: not a part.
bool ReadPart(const std::string& text, std::vector<int32_t>& seeds, std::string& error) {
    size_t at = 0;
    const std::optional<int32_t> first = ReadSeed(text, at);
    if (!first) return false;
    if (at == text.size()) {
        seeds.assign(1, *first);
        return true;
    }
    const size_t separator = text.compare(at, 2, "..") == 0 ? 2 : (text[at] == '-' ? 1 : 0);
    if (separator == 0) return false;
    at += separator;
    const std::optional<int32_t> last = ReadSeed(text, at);
    if (!last || at != text.size()) return false;
    const int64_t count = std::llabs(int64_t(*last) - *first) + 1;
    if (uint64_t(count) > kMaxFamilyMembers) {
        error = kTooMany;
        return false;
    }
    seeds.clear();
    const int64_t step = *first <= *last ? 1 : -1;
    for (int64_t s = *first, n = 0; n < count; s += step, ++n) seeds.push_back(int32_t(s));
    return true;
}

// One list item: parts joined by ':' give tuples, the product of the parts'
// seeds with the first part varying slowest ("1-2:5" is 1:5, 2:5).
bool ParseListItem(const std::string& item, SeedSet& out, std::string& error) {
    const std::string text = Trim(item);
    if (text.empty()) {
        error = "empty item in the seed list";
        return false;
    }
    std::vector<std::vector<int32_t>> parts;
    for (size_t pos = 0;;) {
        const size_t colon = text.find(':', pos);
        parts.emplace_back();
        if (!ReadPart(text.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos), parts.back(),
                      error)) {
            if (error.empty()) error = "'" + text + "' is not a seed, a range A-B or A..B, or a tuple of them joined by ':'";
            return false;
        }
        if (colon == std::string::npos) break;
        pos = colon + 1;
    }
    std::vector<size_t> at(parts.size(), 0);
    std::vector<int32_t> tuple(parts.size());
    for (;;) {
        for (size_t p = 0; p < parts.size(); ++p) tuple[p] = parts[p][at[p]];
        if (!out.Add(tuple.data(), tuple.size())) {
            error = kTooMany;
            return false;
        }
        size_t p = parts.size();
        while (p > 0 && ++at[p - 1] == parts[p - 1].size()) at[--p] = 0;
        if (p == 0) return true;
    }
}

bool ParseSeedFile(const std::string& path, SeedSet& out, std::string& error) {
    std::string bytes, why;
    if (!ReadFileBounded(path, kMaxSeedFileBytes, bytes, why)) {
        error = "cannot read seed file '" + path + "': " + why;
        return false;
    }
    size_t lineNumber = 0;
    std::vector<int32_t> tuple;
    for (size_t pos = 0; pos < bytes.size();) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos) eol = bytes.size();
        const std::string line = Trim(bytes.substr(pos, eol - pos));
        pos = eol + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        tuple.clear();
        for (size_t i = 0; i < line.size();) {
            if (IsSpace(line[i]) || line[i] == ',' || line[i] == ':') {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < line.size() && !IsSpace(line[end]) && line[end] != ',' && line[end] != ':') ++end;
            const std::string token = line.substr(i, end - i);
            size_t used = 0;
            const std::optional<int32_t> seed = ReadSeed(token, used);
            if (!seed || used != token.size()) {
                error = path + ":" + std::to_string(lineNumber) + ": '" + token +
                        "' is not a seed (a signed 32-bit integer; ranges are not allowed in a seed file)";
                return false;
            }
            tuple.push_back(*seed);
            i = end;
        }
        if (tuple.empty()) {
            error = path + ":" + std::to_string(lineNumber) + ": the line holds no seed";
            return false;
        }
        if (!out.Add(tuple.data(), tuple.size())) {
            error = kTooMany;
            return false;
        }
    }
    if (out.Empty()) {
        error = "seed file '" + path + "' holds no seed tuple";
        return false;
    }
    return true;
}

}  // namespace

std::vector<int32_t> SeedSet::Tuple(size_t k) const {
    const size_t b = starts_[k];
    const size_t e = k + 1 < starts_.size() ? starts_[k + 1] : values_.size();
    return std::vector<int32_t>(values_.begin() + long(b), values_.begin() + long(e));
}

std::string SeedSet::Label(size_t k) const {
    std::string label;
    for (int32_t seed : Tuple(k)) {
        if (!label.empty()) label += '_';
        label += std::to_string(seed);
    }
    return label;
}

bool SeedSet::Add(const int32_t* seeds, size_t count) {
    if (starts_.size() >= kMaxFamilyMembers || values_.size() + count > kMaxSeedValues) return false;
    starts_.push_back(uint32_t(values_.size()));
    values_.insert(values_.end(), seeds, seeds + count);
    return true;
}

size_t SeedSet::FirstDuplicate() const {
    std::vector<uint32_t> order(Size());
    std::iota(order.begin(), order.end(), 0u);
    auto bounds = [this](uint32_t k) {
        const size_t e = k + 1 < starts_.size() ? starts_[k + 1] : values_.size();
        return std::make_pair(values_.begin() + long(starts_[k]), values_.begin() + long(e));
    };
    auto less = [&](uint32_t a, uint32_t b) {
        const auto [ab, ae] = bounds(a);
        const auto [bb, be] = bounds(b);
        if (std::lexicographical_compare(ab, ae, bb, be)) return true;
        if (std::lexicographical_compare(bb, be, ab, ae)) return false;
        return a < b;  // equal tuples: first occurrence first
    };
    std::sort(order.begin(), order.end(), less);
    size_t found = Size();
    for (size_t i = 1; i < order.size(); ++i) {
        const auto [ab, ae] = bounds(order[i - 1]);
        const auto [bb, be] = bounds(order[i]);
        if (std::equal(ab, ae, bb, be)) found = std::min<size_t>(found, order[i]);
    }
    return found;
}

bool ParseSeedSpec(const std::string& spec, SeedSet& out, std::string& error) {
    SeedSet set;
    if (!spec.empty() && spec[0] == '@') {
        if (!ParseSeedFile(spec.substr(1), set, error)) return false;
    } else {
        size_t pos = 0;
        for (;;) {
            const size_t comma = spec.find(',', pos);
            const std::string item = spec.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
            if (!ParseListItem(item, set, error)) return false;
            if (comma == std::string::npos) break;
            pos = comma + 1;
        }
    }
    const size_t duplicate = set.FirstDuplicate();
    if (duplicate != set.Size()) {
        error = "seed tuple " + set.Label(duplicate) + " is listed twice";
        return false;
    }
    out = std::move(set);
    return true;
}

std::vector<size_t> ShardMembers(size_t memberCount, uint32_t index, uint32_t count) {
    std::vector<size_t> members;
    if (count == 0 || index == 0 || index > count) return members;
    for (size_t k = index - 1; k < memberCount; k += count) members.push_back(k);
    return members;
}
