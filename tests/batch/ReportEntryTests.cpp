// The texts of the report: entries, totals, words and verbs, and the totals'
// 32-bit arithmetic.
#include <climits>
#include <cstring>
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

CleanTotals totalsOf(int32_t bytes, int32_t vertices, int32_t faces, int32_t files)
{
    CleanTotals totals;
    totals.bytesSaved = bytes;
    totals.verticesRemoved = vertices;
    totals.facesRemoved = faces;
    totals.filesCleaned = files;
    return totals;
}

} // namespace

TEST(ReportEntry, ExampleReportComposedByteForByte)
{
    std::string report = ReportOpening;
    report += take(composeReadError("C:\\models\\broken.3do"));
    report += take(composeCleaned("C:\\models\\tank.3do", 10240, 9876, 12, -1));
    report += take(composeTotals(totalsOf(364, 12, -1, 1), 2));
    EXPECT_EQ(report,
              "Report:\r\n"
              "Error reading file: \"C:\\models\\broken.3do\"\r\n"
              "File cleaned: \"C:\\models\\tank.3do\"\r\n"
              "\tOriginal file size: 10240 bytes\r\n"
              "\t12 vertexes removed\r\n"
              "\t1 face added\r\n"
              "\tCleaned file size: 9876 bytes\r\n"
              "1 out of 2 files cleaned successfully\r\n"
              "\t12 vertexes removed\r\n"
              "\t1 face added\r\n"
              "\t364 bytes removed");
}

TEST(ReportEntry, WriteErrorForm)
{
    EXPECT_EQ(take(composeWriteError("C:\\a b\\c.3do")), "\r\nError writing file: \"C:\\a b\\c.3do\"");
    EXPECT_EQ(take(composeReadError("")), "\r\nError reading file: \"\"");
}

struct DifferenceCase {
    const char* name;
    int32_t d;
    const char* vertices;
    const char* faces;
    const char* bytes;
};

class DifferenceWords : public testing::TestWithParam<DifferenceCase> {};

TEST_P(DifferenceWords, InCleanedEntryAndTotals)
{
    const DifferenceCase& c = GetParam();
    std::string cleaned = take(composeCleaned("x", 7, 0, c.d, c.d));
    EXPECT_EQ(cleaned, std::string("\r\nFile cleaned: \"x\"\r\n\tOriginal file size: 7 bytes\r\n\t") + c.vertices +
                           "\r\n\t" + c.faces + "\r\n\tCleaned file size: 0 bytes");
    std::string totals = take(composeTotals(totalsOf(c.d, c.d, c.d, 3), 5));
    EXPECT_EQ(totals, std::string("\r\n3 out of 5 files cleaned successfully\r\n\t") + c.vertices + "\r\n\t" + c.faces +
                          "\r\n\t" + c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    SingularOnlyForOne, DifferenceWords,
    testing::Values(DifferenceCase{"Zero", 0, "0 vertexes removed", "0 faces removed", "0 bytes removed"},
                    DifferenceCase{"One", 1, "1 vertex removed", "1 face removed", "1 byte removed"},
                    DifferenceCase{"MinusOne", -1, "1 vertex added", "1 face added", "1 byte added"},
                    DifferenceCase{"Two", 2, "2 vertexes removed", "2 faces removed", "2 bytes removed"},
                    DifferenceCase{"MinusTwo", -2, "2 vertexes added", "2 faces added", "2 bytes added"},
                    DifferenceCase{"Many", 364, "364 vertexes removed", "364 faces removed", "364 bytes removed"},
                    DifferenceCase{"Largest", INT32_MAX, "2147483647 vertexes removed", "2147483647 faces removed",
                                   "2147483647 bytes removed"},
                    DifferenceCase{"Smallest", INT32_MIN, "2147483648 vertexes added", "2147483648 faces added",
                                   "2147483648 bytes added"}),
    [](const testing::TestParamInfo<DifferenceCase>& param) { return std::string(param.param.name); });

TEST(ReportEntry, AllUnreadableTotals)
{
    EXPECT_EQ(take(composeTotals(CleanTotals(), 4)),
              "\r\n0 out of 4 files cleaned successfully\r\n\t0 vertexes removed\r\n\t0 faces removed\r\n\t0 bytes removed");
}

TEST(ReportEntry, SizesUpToTheLargestUnsigned)
{
    std::string cleaned = take(composeCleaned("p", 0xFFFFFFFFu, 1000000000u, 0, 0));
    EXPECT_NE(cleaned.find("Original file size: 4294967295 bytes"), std::string::npos);
    EXPECT_NE(cleaned.find("Cleaned file size: 1000000000 bytes"), std::string::npos);
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
}

TEST(CleanTotals, SumsWrapAsThirtyTwoBits)
{
    EXPECT_EQ(wrappedSum(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(wrappedSum(INT32_MIN, -1), INT32_MAX);
    EXPECT_EQ(wrappedSum(-5, 3), -2);
    EXPECT_EQ(wrappedDifference(0, 0xFFFFFFFFu), 1);
    EXPECT_EQ(wrappedDifference(0xFFFFFFFFu, 0), -1);
    EXPECT_EQ(wrappedDifference(0x80000000u, 0), INT32_MIN);
    EXPECT_EQ(wrappedDifference(10240, 9876), 364);
    EXPECT_EQ(wrappedDifference(54, 100), -46);
    EXPECT_EQ(magnitude(INT32_MIN), 2147483648u);
    EXPECT_EQ(magnitude(-1), 1u);
    EXPECT_EQ(magnitude(INT32_MAX), 2147483647u);

    CleanTotals totals;
    totals.addFile(INT32_MAX, 1, -1);
    totals.addFile(1, -2, INT32_MIN);
    EXPECT_EQ(totals.bytesSaved, INT32_MIN);
    EXPECT_EQ(totals.verticesRemoved, -1);
    EXPECT_EQ(totals.facesRemoved, INT32_MAX);
    EXPECT_EQ(totals.filesCleaned, 2);
}
