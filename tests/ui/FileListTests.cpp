// Turning the open-file dialog's answer into a FileList.
#include <windows.h>

#include <cstring>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/FileList.h"

namespace {

std::vector<std::string> paths(FileList list)
{
    std::vector<std::string> out;
    for (uint32_t k = 0; list != nullptr && list[k] != nullptr; ++k)
        out.push_back(list[k]);
    return out;
}

FileList parse(const std::string& buffer, bool multiSelect)
{
    return fileListFromSelection(buffer.data(), static_cast<uint32_t>(buffer.size()), multiSelect);
}

} // namespace

TEST(FileListFromSelection, OnePathIsTakenWhole)
{
    std::string buffer = std::string("C:\\Units\\a.3do") + '\0' + '\0';
    FileList multi = parse(buffer, true);
    EXPECT_EQ(paths(multi), std::vector<std::string>{"C:\\Units\\a.3do"});
    releaseFileList(multi);
    FileList single = parse(buffer, false);
    EXPECT_EQ(paths(single), std::vector<std::string>{"C:\\Units\\a.3do"});
    releaseFileList(single);
}

TEST(FileListFromSelection, FolderAndNamesBecomeFullPathsInDialogOrder)
{
    std::string buffer = std::string("C:\\Units") + '\0' + "b.3do" + '\0' + "a.3do" + '\0' + "c.3do" + '\0' + '\0';
    FileList list = parse(buffer, true);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(paths(list), (std::vector<std::string>{"C:\\Units\\b.3do", "C:\\Units\\a.3do", "C:\\Units\\c.3do"}));
    EXPECT_EQ(list[3], nullptr);
    releaseFileList(list);

    // Without multiple selection only the first string counts.
    FileList single = parse(buffer, false);
    EXPECT_EQ(paths(single), std::vector<std::string>{"C:\\Units"});
    releaseFileList(single);
}

TEST(FileListFromSelection, BackslashIsAddedEvenAfterARootFolder)
{
    std::string buffer = std::string("C:\\") + '\0' + "a.3do" + '\0' + "b.3do" + '\0' + '\0';
    FileList list = parse(buffer, true);
    EXPECT_EQ(paths(list), (std::vector<std::string>{"C:\\\\a.3do", "C:\\\\b.3do"}));
    releaseFileList(list);
}

TEST(FileListFromSelection, EmptyOrUnterminatedBuffersStayInBounds)
{
    EXPECT_EQ(parse(std::string(16, '\0'), true), nullptr);
    EXPECT_EQ(fileListFromSelection(nullptr, 10, true), nullptr);
    EXPECT_EQ(fileListFromSelection("x", 0, true), nullptr);

    // A buffer filled to its last byte without terminators: copied from the
    // heap so that nothing lies beyond it.
    std::string text = std::string("C:\\Dir") + '\0' + "name";
    char* exact = new char[text.size()];
    std::memcpy(exact, text.data(), text.size());
    FileList list = fileListFromSelection(exact, static_cast<uint32_t>(text.size()), true);
    EXPECT_EQ(paths(list), std::vector<std::string>{"C:\\Dir\\name"});
    releaseFileList(list);
    FileList single = fileListFromSelection(exact + 7, 4, false);
    EXPECT_EQ(paths(single), std::vector<std::string>{"name"});
    releaseFileList(single);
    delete[] exact;
    releaseFileList(nullptr);
}

TEST(FileListFromSelection, LongNamesFillingTheDialogsBufferKeepEveryByte)
{
    // A folder and names as long as the system allows, up to the 32768-byte buffer.
    std::string folder = "C:\\" + std::string(240, 'f');
    std::string buffer = folder + '\0';
    std::vector<std::string> expected;
    for (int k = 0; buffer.size() + 256 < 32767; ++k) {
        std::string name = std::to_string(k) + std::string(250, 'n') + ".3do";
        buffer += name + '\0';
        expected.push_back(folder + "\\" + name);
    }
    buffer += '\0';
    buffer.resize(32768, '\0');
    FileList list = parse(buffer, true);
    EXPECT_EQ(paths(list), expected);
    EXPECT_GT(expected.size(), 120u);
    releaseFileList(list);
}
