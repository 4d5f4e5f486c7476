// The texts of the report at their limits: the longest paths, the extremes and
// the totals' 32-bit arithmetic. The batch runs' reports pin the usual words.
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

// Paths on both sides of the point where an entry takes a buffer of its own
// (one longer than EntrySize less 256 bytes: 7,936 against 7,937 bytes), of the
// longest whose entry, with the longest numbers and words, would fit in the
// 8,192 bytes of EntrySize (8,039) and one more, and far longer: the entry always
// holds the whole path and ends complete (ASan catches any write past a buffer).
TEST(ReportEntry, LongPathsAreNeverCut)
{
    for (size_t length : {size_t(7936), size_t(7937), size_t(8039), size_t(8040), size_t(100000)}) {
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

// Each sum wraps on its own, past either end; the totals then show the singular
// and both extremes, the magnitude of INT32_MIN exact.
TEST(CleanTotals, SumsWrapAsThirtyTwoBits)
{
    CleanTotals totals;
    totals.addFile(INT32_MAX, 1, -1);
    totals.addFile(1, -2, INT32_MIN);
    EXPECT_EQ(take(composeTotals(totals, 5)),
              "\r\n2 out of 5 files cleaned successfully\r\n\t1 vertex added\r\n\t"
              "2147483647 faces removed\r\n\t2147483648 bytes added");
}
