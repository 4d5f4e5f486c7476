// Turning the open-file dialog's answer into a FileList.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "UiTestSupport.h"
#include "ui/FileList.h"

namespace {

std::vector<std::string> parse(std::string_view buffer, bool multiSelect)
{
    FileList list = fileListFromSelection(buffer.data(), static_cast<uint32_t>(buffer.size()), multiSelect);
    std::vector<std::string> paths = filePaths(list);
    releaseFileList(list);
    return paths;
}

} // namespace

TEST(FileListFromSelection, PathsInDialogOrderWithABackslashEvenAfterARoot)
{
    using namespace std::string_literals;
    const std::string one = "C:\\Units\\a.3do\0\0"s, several = "C:\\Units\0b.3do\0a.3do\0c.3do\0\0"s;
    const struct {
        std::string buffer;
        bool multiSelect;
        std::vector<std::string> paths;
    } cases[] = {{one, true, {"C:\\Units\\a.3do"}},
                 {one, false, {"C:\\Units\\a.3do"}},
                 {several, true, {"C:\\Units\\b.3do", "C:\\Units\\a.3do", "C:\\Units\\c.3do"}},
                 {several, false, {"C:\\Units"}}, // without multiple selection only the first string counts
                 {"C:\\\0a.3do\0b.3do\0\0"s, true, {"C:\\\\a.3do", "C:\\\\b.3do"}}};
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.buffer, c.multiSelect), c.paths) << c.buffer << " " << c.multiSelect;
}

TEST(FileListFromSelection, EmptyOrUnterminatedBuffersStayInBounds)
{
    EXPECT_EQ(fileListFromSelection(std::string(16, '\0').data(), 16, true), nullptr);
    EXPECT_EQ(fileListFromSelection(nullptr, 10, true), nullptr);
    EXPECT_EQ(fileListFromSelection("x", 0, true), nullptr);
    // A buffer filled to its last byte without terminators: copied from the
    // heap so that nothing lies beyond it.
    const char text[] = "C:\\Dir\0name";
    const std::vector<char> exact(text, text + sizeof(text) - 1);
    EXPECT_EQ(parse({exact.data(), exact.size()}, true), std::vector<std::string>{"C:\\Dir\\name"});
    EXPECT_EQ(parse({exact.data() + 7, 4}, false), std::vector<std::string>{"name"});
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
    EXPECT_EQ(parse(buffer, true), expected);
    EXPECT_GT(expected.size(), 120u);
}
