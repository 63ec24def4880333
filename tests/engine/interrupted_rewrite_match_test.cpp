// What a half-done rewrite in place may leave in a file, told apart from anything else the file
// could hold by then.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/interrupted_rewrite.h"

namespace {

ChunkReader readerOf(const std::string& text, std::size_t& at)
{
    // Small chunks, so matches across chunk ends are covered.
    return [&text, &at](char* buffer, std::size_t size) -> long long {
        const std::size_t count = std::min({size, std::size_t{3}, text.size() - at});
        std::copy_n(text.data() + at, count, buffer);
        at += count;
        return static_cast<long long>(count);
    };
}

bool matches(const std::string& file, const std::string& result, const std::string& original)
{
    std::size_t a = 0;
    std::size_t b = 0;
    std::size_t c = 0;
    return isInterruptedRewrite(readerOf(file, a), readerOf(result, b), readerOf(original, c));
}

} // namespace

TEST(InterruptedRewriteMatch, AcceptsEveryMomentOfTheRewrite)
{
    const std::string original = "ORIGINAL-CONTENT";
    const std::string result = "result-x";
    for (std::size_t written = 0; written <= result.size(); ++written) {
        const std::string file = result.substr(0, written) + original.substr(written);
        EXPECT_TRUE(matches(file, result, original)) << file;
    }
    EXPECT_TRUE(matches(result, result, original)) << "cut to the result's size";
}

TEST(InterruptedRewriteMatch, AcceptsAResultSharingBytesWithTheOriginal)
{
    // The result's first differing byte comes after bytes the original has too.
    EXPECT_TRUE(matches("abcXefgh", "abcXe", "abcdefgh"));
    EXPECT_TRUE(matches("abcdefgh", "abcXe", "abcdefgh"));
}

TEST(InterruptedRewriteMatch, RefusesWhatTheRewriteCannotHaveLeft)
{
    const std::string original = "ORIGINAL-CONTENT";
    const std::string result = "result-x";
    const struct {
        const char* file;
        const char* why;
    } refused[] = {
        {"", "emptied"},
        {"result-", "shorter than the result and the original"},
        {"result-xCONTENT", "cut, but not to the result's size"},
        {"resuLT-CONTENT!!", "a byte neither the result's nor the original's"},
        {"ORIGINAL-CONTENT and more", "longer than the original"},
        {"a new picture of the same size", "another file"},
        {"ORIGINAL-CONTENX", "the original's end changed"},
        {"result-xCONTENT!", "result, then not the original"},
    };
    for (const auto& row : refused)
        EXPECT_FALSE(matches(row.file, result, original)) << row.why;
}

TEST(InterruptedRewriteMatch, RefusesWhenAFileCannotBeRead)
{
    const std::string original = "ORIGINAL";
    std::size_t a = 0;
    std::size_t c = 0;
    const ChunkReader failing = [](char*, std::size_t) -> long long { return -1; };
    EXPECT_FALSE(isInterruptedRewrite(readerOf(original, a), failing, readerOf(original, c)));
}
