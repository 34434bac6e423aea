#include "family/seed_set.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <numeric>

#include "project/seed_argument.h"

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// A range separator right after a seed: "-" or "..". Returns its length, 0
// when there is none.
size_t RangeSeparator(const std::string& text, size_t at) {
    if (text.compare(at, 2, "..") == 0) return 2;
    if (at < text.size() && text[at] == '-') return 1;
    return 0;
}

constexpr size_t kMaxSeedFileBytes = size_t(256) << 20;

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read seed file '" + path + "'";
        return false;
    }
    char buffer[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
        if (bytes.size() > kMaxSeedFileBytes) {
            error = "seed file '" + path + "' is larger than 256 MiB";
            ok = false;
            break;
        }
    }
    if (ok && std::ferror(file)) {
        error = "cannot read seed file '" + path + "'";
        ok = false;
    }
    std::fclose(file);
    return ok;
}

const char* const kTooMany = "the seed set has more than 16777216 members";

bool ParseSeedFile(const std::string& path, SeedSet& out, std::string& error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error)) return false;
    size_t lineNumber = 0;
    size_t pos = 0;
    std::vector<int32_t> tuple;
    while (pos < bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos) eol = bytes.size();
        const std::string line = Trim(bytes.substr(pos, eol - pos));
        pos = eol + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        tuple.clear();
        size_t i = 0;
        while (i < line.size()) {
            if (IsSpace(line[i]) || line[i] == ',') {
                ++i;
                continue;
            }
            size_t tokenEnd = i;
            while (tokenEnd < line.size() && !IsSpace(line[tokenEnd]) && line[tokenEnd] != ',') ++tokenEnd;
            const std::string token = line.substr(i, tokenEnd - i);
            size_t digitsEnd = 0;
            const std::optional<int32_t> seed = ParseSeedArgument(token, &digitsEnd);
            const std::string where = path + ":" + std::to_string(lineNumber);
            if (!seed) {
                error = where + ": seed '" + token + "' is not a signed 32-bit integer";
                return false;
            }
            if (RangeSeparator(token, digitsEnd) != 0) {
                error = where + ": ranges are not allowed in a seed file ('" + token + "')";
                return false;
            }
            tuple.push_back(*seed);
            i = tokenEnd;
        }
        if (tuple.empty()) {
            error = path + ":" + std::to_string(lineNumber) + ": line holds no seed";
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

bool ParseListItem(const std::string& item, SeedSet& out, std::string& error) {
    if (Trim(item).empty()) {
        error = "empty item in seed list";
        return false;
    }
    size_t end = 0;
    const std::optional<int32_t> first = ParseSeedArgument(item, &end);
    if (!first) {
        error = "seed '" + Trim(item) + "' is not a signed 32-bit integer";
        return false;
    }
    const size_t separator = RangeSeparator(item, end);
    if (separator == 0) {  // a single seed: the rest is ignored, as tavelin ignores it
        if (!out.Add(&*first, 1)) {
            error = kTooMany;
            return false;
        }
        return true;
    }
    const std::string rest = item.substr(end + separator);
    size_t lastEnd = 0;
    const std::optional<int32_t> last = ParseSeedArgument(rest, &lastEnd);
    if (!last || !Trim(rest.substr(lastEnd)).empty()) {
        error = "range '" + Trim(item) + "' is not of the form A-B or A..B with signed 32-bit ends";
        return false;
    }
    if (!out.AddRange(*first, *last)) {
        error = kTooMany;
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

bool SeedSet::AddRange(int32_t first, int32_t last) {
    const int64_t count = (first <= last ? int64_t(last) - first : int64_t(first) - last) + 1;
    if (uint64_t(count) > kMaxFamilyMembers - starts_.size() ||
        uint64_t(count) > kMaxSeedValues - values_.size())
        return false;
    const int64_t step = first <= last ? 1 : -1;
    for (int64_t s = first, n = 0; n < count; s += step, ++n) {
        const int32_t seed = int32_t(s);
        Add(&seed, 1);
    }
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
