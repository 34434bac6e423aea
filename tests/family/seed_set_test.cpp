// Seed conversion, seed specs (ranges, lists, files) and shard arithmetic.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <set>

#include "family/seed_set.h"

#ifdef HAVE_TAVELIN_COMMAND_LINE
#include "app/command_line.h"
#endif

namespace {

std::vector<std::vector<int32_t>> Tuples(const SeedSet& set) {
    std::vector<std::vector<int32_t>> out;
    for (size_t k = 0; k < set.Size(); ++k) out.push_back(set.Tuple(k));
    return out;
}

using T = std::vector<std::vector<int32_t>>;

std::string ParseError(const std::string& spec) {
    SeedSet set;
    std::string error;
    EXPECT_FALSE(ParseSeedSpec(spec, set, error)) << spec;
    EXPECT_FALSE(error.empty());
    return error;
}

T Parse(const std::string& spec) {
    SeedSet set;
    std::string error;
    EXPECT_TRUE(ParseSeedSpec(spec, set, error)) << spec << ": " << error;
    return Tuples(set);
}

std::string WriteSeedFile(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace

TEST(SeedConversion, FollowsTheRulesOfTavelinSeedArguments) {
    EXPECT_EQ(ConvertSeed("5"), 5);
    EXPECT_EQ(ConvertSeed(" \t7"), 7);
    EXPECT_EQ(ConvertSeed("+8"), 8);
    EXPECT_EQ(ConvertSeed("-3"), -3);
    EXPECT_EQ(ConvertSeed("12abc"), 12);
    EXPECT_EQ(ConvertSeed("2147483647"), 2147483647);
    EXPECT_EQ(ConvertSeed("-2147483648"), INT32_MIN);
    EXPECT_EQ(ConvertSeed("000000000000000042"), 42);
    for (const char* bad : {"", "-", "+", "abc", " x1", "2147483648", "-2147483649", "99999999999",
                            "99999999999999999999999999"})
        EXPECT_FALSE(ConvertSeed(bad).has_value()) << bad;
}

#ifdef HAVE_TAVELIN_COMMAND_LINE
TEST(SeedConversion, AgreesWithTavelinOnASweepOfArguments) {
    std::mt19937 rng(77);
    const std::string alphabet = "0123456789+- \t\nx.9";
    std::vector<std::string> texts = {"2147483647", "2147483648", "-2147483648", "-2147483649", "+0", "-0"};
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (size_t length = rng() % 14; length > 0; --length) text += alphabet[rng() % alphabet.size()];
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        int32_t expected = 0;
        const bool ok = ParseSeedArgument(text.c_str(), expected);
        const std::optional<int32_t> ours = ConvertSeed(text);
        ASSERT_EQ(ours.has_value(), ok) << "'" << text << "'";
        if (ok) {
            ASSERT_EQ(*ours, expected) << "'" << text << "'";
        }
    }
}
#endif

TEST(SeedSpec, RangesListsAndNegativeSeeds) {
    EXPECT_EQ(Parse("7"), (T{{7}}));
    EXPECT_EQ(Parse("1-4"), (T{{1}, {2}, {3}, {4}}));
    EXPECT_EQ(Parse("1..3"), (T{{1}, {2}, {3}}));
    EXPECT_EQ(Parse("-3--1"), (T{{-3}, {-2}, {-1}}));
    EXPECT_EQ(Parse("-1..1"), (T{{-1}, {0}, {1}}));
    EXPECT_EQ(Parse("-1-1"), (T{{-1}, {0}, {1}}));
    EXPECT_EQ(Parse("3-1"), (T{{3}, {2}, {1}}));
    EXPECT_EQ(Parse("3,8,21"), (T{{3}, {8}, {21}}));
    EXPECT_EQ(Parse("1-2,10,-5..-6"), (T{{1}, {2}, {10}, {-5}, {-6}}));
    EXPECT_EQ(Parse("2147483646-2147483647"), (T{{2147483646}, {2147483647}}));
    EXPECT_EQ(Parse("-2147483648..-2147483647"), (T{{INT32_MIN}, {INT32_MIN + 1}}));
    EXPECT_EQ(Parse("12abc"), (T{{12}}));  // a single seed converts as tavelin converts it
}

TEST(SeedSpec, RefusesMalformedDuplicateAndOversizedSets) {
    for (const char* bad : {"", "abc", "1-", "1-x", "1-5x", "1..", "3,,8", "3,", ",3", "1-2147483648", "--5"})
        ParseError(bad);
    EXPECT_NE(ParseError("1-5,3").find("3"), std::string::npos);
    EXPECT_NE(ParseError("4,4").find("twice"), std::string::npos);
    EXPECT_NE(ParseError("0-2147483647").find("16777216"), std::string::npos);
    EXPECT_NE(ParseError("-2147483648-2147483647").find("16777216"), std::string::npos);
}

TEST(SeedSpec, FileHoldsOneTuplePerLine) {
    const std::string path = WriteSeedFile("family_seeds.txt", "# brick variants\n7 9\n\n  8,9\r\n-1\t-2 -3\n10");
    EXPECT_EQ(Parse("@" + path), (T{{7, 9}, {8, 9}, {-1, -2, -3}, {10}}));

    SeedSet set;
    std::string error;
    ASSERT_TRUE(ParseSeedSpec("@" + path, set, error));
    EXPECT_EQ(set.Label(0), "7_9");
    EXPECT_EQ(set.Label(2), "-1_-2_-3");

    EXPECT_NE(ParseError("@" + WriteSeedFile("family_bad.txt", "1 2\n3 x\n")).find(":2:"), std::string::npos);
    EXPECT_NE(ParseError("@" + WriteSeedFile("family_range.txt", "1-5\n")).find("range"), std::string::npos);
    EXPECT_NE(ParseError("@" + WriteSeedFile("family_dup.txt", "1 2\n2 1\n1 2\n")).find("1_2"), std::string::npos);
    ParseError("@" + WriteSeedFile("family_commas.txt", "1\n,\n"));
    ParseError("@" + WriteSeedFile("family_empty.txt", "# nothing\n\n"));
    ParseError("@" + testing::TempDir() + "family_no_such_file.txt");
}

TEST(Shards, PartitionTheSetByMemberIndexModuloCount) {
    for (size_t size : {0u, 1u, 7u, 20u}) {
        for (uint32_t count = 1; count <= 5; ++count) {
            std::vector<int> owner(size, 0);
            for (uint32_t index = 1; index <= count; ++index) {
                for (size_t k : ShardMembers(size, index, count)) {
                    ASSERT_LT(k, size);
                    EXPECT_EQ(k % count + 1, index);
                    ++owner[k];
                }
            }
            for (size_t k = 0; k < size; ++k) EXPECT_EQ(owner[k], 1) << "member " << k << " of " << size;
        }
    }
    EXPECT_EQ(ShardMembers(10, 2, 3), (std::vector<size_t>{1, 4, 7}));
    EXPECT_TRUE(ShardMembers(2, 3, 3).empty());
}
