// The few file operations the program needs from the operating system: read a
// whole file, save files in place without ever putting the originals at risk,
// take a file's size. Nothing above this layer includes windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ReadFileResult : uint8_t { Ok, CannotOpen, CannotRead, TooLarge, OutOfMemory };

// What the system reported when an operation failed, sorted into what a user
// needs to be told; code is the system's own number (errno, GetLastError).
enum class FileError : uint8_t {
    None,
    NotFound,
    AccessDenied,
    ReadOnlyFile,
    ReadOnlyFileSystem,
    NoSpace,
    InUse,
    NotAFile,
    OutOfMemory,
    Other,
};

struct SystemError {
    FileError kind = FileError::None;
    int32_t code = 0;
};

// Reads the whole file into a new[]'d buffer of its exact size (*data is null for
// an empty file). Files larger than maxSize are refused. error, when given,
// receives what the system said when the file could not be opened or read.
ReadFileResult readWholeFile(const char* path, uint32_t maxSize, uint8_t** data, uint32_t* size,
                             SystemError* error = nullptr);

// One file of a group to save: where, its new contents, and how it went.
struct FileSave {
    const char* path = nullptr;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    bool saved = false;
    SystemError error; // why it was not saved
};

// Saves each file in place, in the order given: the contents go to a temporary
// file beside the original with the original's permissions or attributes, the
// whole group is flushed to disk together, then each temporary is moved over its
// original in one step and the folders are synced. A symbolic link is followed
// to the file it names; a file that cannot be opened for writing, or is marked
// read-only, is refused. A file that is not saved is byte for byte what it was,
// and no temporary file is left behind.
void saveFiles(FileSave* files, uint32_t count);
// saveFiles of one file.
bool replaceFileContents(const char* path, const uint8_t* data, uint32_t size, SystemError* error = nullptr);

// Which file a path names, whatever link or other name leads to it, and its size.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;
    uint64_t size = 0;
};
// False when the path names no file that can be looked at.
bool identifyFile(const char* path, FileIdentity* identity);

// The system's own text for code, for errors the program does not word itself;
// at most capacity bytes with the terminator. Returns text.
const char* systemErrorText(int32_t code, char* text, size_t capacity);
