// Helpers shared by the test programs: the model corpus, scratch folders, whole-file I/O.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The corpus folder in the form the running program opens, or "" when absent.
std::string corpusDir();
// Every .3do file of the corpus, sorted; empty when the corpus is absent.
std::vector<std::string> corpusFiles();
// True under CI, where a missing corpus is a failure rather than a skip.
bool runningUnderCi();

// Skips the test with a visible message when the corpus is absent, or fails
// under CI.
#define REQUIRE_CORPUS()                                                                                               \
    do {                                                                                                               \
        if (corpusDir().empty()) {                                                                                     \
            if (runningUnderCi())                                                                                      \
                FAIL() << "model corpus missing under CI";                                                             \
            GTEST_SKIP() << "model corpus not found beside the project; skipped";                                      \
        }                                                                                                              \
    } while (0)

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    // dir joined with name by the platform's separator.
    std::string file(const std::string& name) const;
    // The names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::string dir;
};

// Makes folder the working folder while it lives, so that a test that stops
// early leaves the next one where it was.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous;
};

std::vector<uint8_t> readBytes(const std::string& path);
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Writes bytes to path, making its folders first; a failure fails the test.
void putFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
bool fileExists(const std::string& path);
std::string readText(const std::string& path);
// What a command run in process printed, and its exit code.
struct CommandRun {
    int exitCode;
    std::string out;
    std::string err;
};
// Runs a command of scour (runClean, runLint...) with the arguments after its name.
CommandRun runCommand(int (*command)(int, char**), std::vector<std::string> arguments);

// Success when text holds piece; the failure shows both.
testing::AssertionResult contains(const std::string& text, const std::string& piece);
