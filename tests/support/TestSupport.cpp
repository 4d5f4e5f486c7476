#include "support/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string corpusDir()
{
#ifdef _WIN32
    // Wine maps the Linux root to drive Z:.
    std::string dir = std::string("Z:") + SCOUR_CORPUS_DIR;
    std::replace(dir.begin(), dir.end(), '/', '\\');
#else
    std::string dir = SCOUR_CORPUS_DIR;
#endif
    std::error_code error;
    return fs::is_directory(dir, error) ? dir : std::string();
}

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> files;
    std::string dir = corpusDir();
    if (dir.empty())
        return files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (extension == ".3do")
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool runningUnderCi()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

TempDir::TempDir()
{
    static std::atomic<unsigned> serial{0};
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        fs::path candidate = base / ("scourwell-test-" + std::to_string(std::rand()) + "-" + std::to_string(serial++));
        if (fs::create_directory(candidate, error)) {
            dir = candidate.string();
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << base.string();
}

TempDir::~TempDir()
{
    if (dir.empty())
        return;
    std::error_code error;
    // Read-only files left by tests must not keep the folder alive.
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, error);
    fs::remove_all(dir, error);
}

std::string TempDir::file(const std::string& name) const { return (fs::path(dir) / name).string(); }

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

void putFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    EXPECT_TRUE(writeBytes(path.string(), bytes)) << path;
}

WorkingFolder::WorkingFolder(const std::string& folder) : previous(fs::current_path()) { fs::current_path(folder); }

WorkingFolder::~WorkingFolder() { fs::current_path(previous); }

bool fileExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

testing::AssertionResult contains(const std::string& text, const std::string& piece)
{
    if (text.find(piece) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << piece << "\" is not in:\n" << text;
}

CommandRun runCommand(int (*command)(int, char**), std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int exitCode = command(int(argv.size()), argv.data());
    std::string err = testing::internal::GetCapturedStderr();
    return {exitCode, testing::internal::GetCapturedStdout(), err};
}
