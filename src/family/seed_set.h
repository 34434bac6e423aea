#pragma once
// The members of a family: an ordered list of seed tuples, each tuple feeding
// the project's `Seed` parameters in file order, exactly as the seed
// arguments of `tavelin` do.
//
// The --seeds grammar. A set is wholly valid or refused; every seed is a
// whole signed 32-bit integer (an optional sign and digits, nothing else):
//   7            one member, seed 7
//   1-500        a range, both ends included; also 1..500
//   -5--1        negative ends take their sign: -5, -4, ..., -1 (or -5..-1)
//   10-1         a descending range renders 10, 9, ..., 1
//   7:9          one member fed two seeds (its first and second Seed)
//   1-3:9        tuples of ranges: the product, first part varying slowest
//                (1:9, 2:9, 3:9)
//   3,8,21       a list of any of the above, in the order written
//   @FILE        one tuple per line, seeds separated by blanks, commas or
//                ':' ("7 9"); empty lines and lines starting with # are
//                skipped; no ranges
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Hard cap on the size of a family, so that a typo such as 1-2000000000
// fails at once instead of exhausting memory.
constexpr size_t kMaxFamilyMembers = size_t(1) << 24;
constexpr size_t kMaxSeedValues = size_t(1) << 24;

class SeedSet {
public:
    size_t Size() const { return starts_.size(); }
    bool Empty() const { return starts_.empty(); }
    // Seeds of member k, in the order they feed the `Seed` parameters.
    std::vector<int32_t> Tuple(size_t k) const;
    // The tuple's seeds joined by '_' ("7_9", "-3").
    std::string Label(size_t k) const;

    // Returns false (and leaves the set unchanged) past the caps.
    bool Add(const int32_t* seeds, size_t count);

    // Index of the second occurrence of the first tuple listed twice, or
    // Size() when every tuple is distinct.
    size_t FirstDuplicate() const;

private:
    std::vector<int32_t> values_;
    std::vector<uint32_t> starts_;  // member k holds values_[starts_[k] .. starts_[k+1])
};

// Parses a --seeds value (reading @FILE when given). On failure returns false
// with a one-line reason in `error` (without the program name).
bool ParseSeedSpec(const std::string& spec, SeedSet& out, std::string& error);

// The members of shard `index` (1-based) of `count`: member k belongs to
// shard k mod count + 1. Returns the member indices in set order.
std::vector<size_t> ShardMembers(size_t memberCount, uint32_t index, uint32_t count);
