// The texts of the report: entries, totals, words and verbs, and the totals'
// 32-bit arithmetic. The batch runs' reports pin the usual words byte for byte;
// here are the singular, the extremes and the longest paths.
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

// Singular only for one; the magnitude of INT32_MIN is exact.
TEST(ReportEntry, DifferenceWords)
{
    for (auto [difference, words] :
         {std::pair{1, "1 vertex removed\r\n\t1 face removed\r\n\t1 byte removed"},
          {INT32_MAX, "2147483647 vertexes removed\r\n\t2147483647 faces removed\r\n\t2147483647 bytes removed"},
          {INT32_MIN, "2147483648 vertexes added\r\n\t2147483648 faces added\r\n\t2147483648 bytes added"}}) {
        CleanTotals totals;
        totals.bytesSaved = totals.verticesRemoved = totals.facesRemoved = difference;
        totals.filesCleaned = 3;
        EXPECT_EQ(take(composeTotals(totals, 5)),
                  std::string("\r\n3 out of 5 files cleaned successfully\r\n\t") + words);
    }
}

// The longest path whose entry, with the longest numbers and words, fits in
// EntrySize (8039), one more, and far more: the entry always holds the whole path
// and ends complete (ASan catches any write past a buffer).
TEST(ReportEntry, LongPathsAreNeverCut)
{
    for (size_t length : {size_t(8039), size_t(8040), size_t(100000)}) {
        std::string path(length, 'p');
        path.front() = '<';
        path.back() = '>';
        std::string cleaned = take(composeCleaned(path.c_str(), 4294967295u, 4294967295u, INT32_MAX, INT32_MAX));
        EXPECT_EQ(cleaned, "\r\nFile cleaned: \"" + path +
                               "\"\r\n\tOriginal file size: 4294967295 bytes\r\n\t2147483647 vertexes removed\r\n\t"
                               "2147483647 faces removed\r\n\tCleaned file size: 4294967295 bytes")
            << length;
        EXPECT_EQ(take(composeReadError(path.c_str())), "\r\nError reading file: \"" + path + "\"") << length;
    }
    EXPECT_EQ(take(composeReadError("")), "\r\nError reading file: \"\"");
}

// Each sum wraps on its own, past either end.
TEST(CleanTotals, SumsWrapAsThirtyTwoBits)
{
    CleanTotals totals;
    totals.addFile(INT32_MAX, 1, -1);
    totals.addFile(1, -2, INT32_MIN);
    EXPECT_EQ(totals.bytesSaved, INT32_MIN);
    EXPECT_EQ(totals.verticesRemoved, -1);
    EXPECT_EQ(totals.facesRemoved, INT32_MAX);
    EXPECT_EQ(totals.filesCleaned, 2);
}
