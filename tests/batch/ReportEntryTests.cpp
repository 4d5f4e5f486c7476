// The texts of the report: entries, totals, words and verbs, and the totals'
// 32-bit arithmetic.
#include <climits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "clean/CleanTotals.h"
#include "clean/ReportEntry.h"

namespace {

// Takes over a new[]'d entry; fails the test on a null one.
std::string take(char* entry)
{
    std::unique_ptr<char[]> owned(entry);
    EXPECT_NE(entry, nullptr);
    return entry ? std::string(entry) : std::string();
}

} // namespace

// Singular only for one, in a cleaned entry and in the totals alike.
TEST(ReportEntry, DifferenceWords)
{
    struct Case {
        int32_t difference;
        const char* vertices;
        const char* faces;
        const char* bytes;
    };
    for (const Case& c :
         {Case{0, "0 vertexes removed", "0 faces removed", "0 bytes removed"},
          Case{1, "1 vertex removed", "1 face removed", "1 byte removed"},
          Case{-1, "1 vertex added", "1 face added", "1 byte added"},
          Case{-2, "2 vertexes added", "2 faces added", "2 bytes added"},
          Case{INT32_MAX, "2147483647 vertexes removed", "2147483647 faces removed", "2147483647 bytes removed"},
          Case{INT32_MIN, "2147483648 vertexes added", "2147483648 faces added", "2147483648 bytes added"}}) {
        std::string cleaned = take(composeCleaned("x", 7, 0, c.difference, c.difference));
        EXPECT_EQ(cleaned,
                  std::string("\r\nFile cleaned: \"x\"\r\n\tOriginal file size: 7 bytes\r\n\t") + c.vertices + "\r\n\t"
                      + c.faces + "\r\n\tCleaned file size: 0 bytes");
        CleanTotals totals;
        totals.bytesSaved = totals.verticesRemoved = totals.facesRemoved = c.difference;
        totals.filesCleaned = 3;
        EXPECT_EQ(take(composeTotals(totals, 5)),
                  std::string("\r\n3 out of 5 files cleaned successfully\r\n\t") + c.vertices + "\r\n\t" + c.faces
                      + "\r\n\t" + c.bytes);
    }
}

// Paths around and far past what fits in EntrySize: the entry always holds the
// whole path and ends complete (ASan catches any write past a buffer).
TEST(ReportEntry, LongPathsAreNeverCut)
{
    for (size_t length : {size_t(8000), size_t(8033), size_t(8034), size_t(8191), size_t(8192), size_t(8200),
                          size_t(20000), size_t(100000)}) {
        std::string path(length, 'p');
        path.front() = '<';
        path.back() = '>';
        std::string cleaned = take(composeCleaned(path.c_str(), 4294967295u, 4294967295u, INT32_MIN, INT32_MIN));
        EXPECT_EQ(cleaned, "\r\nFile cleaned: \"" + path +
                               "\"\r\n\tOriginal file size: 4294967295 bytes\r\n\t2147483648 vertexes added\r\n\t"
                               "2147483648 faces added\r\n\tCleaned file size: 4294967295 bytes")
            << length;
        EXPECT_EQ(take(composeReadError(path.c_str())), "\r\nError reading file: \"" + path + "\"") << length;
        EXPECT_EQ(take(composeWriteError(path.c_str())), "\r\nError writing file: \"" + path + "\"") << length;
    }
    EXPECT_EQ(take(composeReadError("")), "\r\nError reading file: \"\"");
}

TEST(CleanTotals, SumsWrapAsThirtyTwoBits)
{
    EXPECT_EQ(wrappedSum(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(wrappedSum(INT32_MIN, -1), INT32_MAX);
    EXPECT_EQ(wrappedSum(-5, 3), -2);
    EXPECT_EQ(wrappedDifference(0, 0xFFFFFFFFu), 1);
    EXPECT_EQ(wrappedDifference(0xFFFFFFFFu, 0), -1);
    EXPECT_EQ(wrappedDifference(0x80000000u, 0), INT32_MIN);
    EXPECT_EQ(magnitude(INT32_MIN), 2147483648u);
    EXPECT_EQ(magnitude(INT32_MAX), 2147483647u);

    CleanTotals totals;
    totals.addFile(INT32_MAX, 1, -1);
    totals.addFile(1, -2, INT32_MIN);
    EXPECT_EQ(totals.bytesSaved, INT32_MIN);
    EXPECT_EQ(totals.verticesRemoved, -1);
    EXPECT_EQ(totals.facesRemoved, INT32_MAX);
    EXPECT_EQ(totals.filesCleaned, 2);
}
