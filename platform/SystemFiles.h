// Internal to the file layer: the system calls that readWholeFile, saveFiles and
// identifyFile are built on, one implementation per system. Each call that can fail
// returns false and fills error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/File.h"

// A POSIX descriptor or a Win32 HANDLE; ClosedFile is neither.
using SystemHandle = intptr_t;
constexpr SystemHandle ClosedFile = -1;

// A file that a save is about to replace.
struct SaveTarget {
    char* path = nullptr;    // new[]'d; a symbolic link resolved
    size_t folderLength = 0; // the folder's part of path, its separator included
    bool exists = false;
    uint32_t attributes = 0; // POSIX permission bits, Win32 file attributes
    uint32_t owner = 0;      // POSIX only
    uint32_t group = 0;      // POSIX only
};

// The temporary file beside a target that holds its new contents.
struct SaveTemporary {
    char* path = nullptr; // new[]'d
    SystemHandle handle = ClosedFile;
    uint64_t fileSystem = 0; // which file system it lies on, for a shared flush
};

// What the system said of the call that failed last on this thread.
SystemError systemLastError();

// Opens path to read it whole; size is its size. A folder, device or pipe is
// refused as NotAFile.
bool systemOpenToRead(const char* path, SystemHandle* file, uint64_t* size, SystemError* error);
// Reads up to length bytes; *got is 0 at the end of the file.
bool systemRead(SystemHandle file, uint8_t* buffer, uint32_t length, uint32_t* got, SystemError* error);
void systemClose(SystemHandle file);
bool systemIdentifyFile(const char* path, FileIdentity* identity);

// Resolves path into target and proves that it may be replaced: the file is
// missing (a new one) or a regular file that can be opened for writing and is
// not marked read-only.
bool systemInspectTarget(const char* path, SaveTarget* target, SystemError* error);
// Creates a new, uniquely named file in target's folder, made with the
// target's permissions or attributes where the system allows.
bool systemCreateTemporary(const SaveTarget& target, SaveTemporary* temporary, SystemError* error);
// Writes up to length bytes; *written tells how many went.
bool systemWrite(SystemHandle file, const uint8_t* data, uint32_t length, uint32_t* written, SystemError* error);
// Gives the temporary what creation could not: the target's owner and mode; and
// learns which file system it lies on.
bool systemCopyAttributes(const SaveTarget& target, SaveTemporary* temporary, SystemError* error);
// Flushes the whole file system the temporary lies on; false where there is no
// such call or it failed, and each file is then flushed on its own.
bool systemSyncFileSystem(const SaveTemporary& temporary);
bool systemFlush(const SaveTemporary& temporary, SystemError* error);
// Closes the temporary; false when the close reported an error.
bool systemCloseTemporary(SaveTemporary* temporary, SystemError* error);
// Moves the temporary over the target in one step.
bool systemReplace(const SaveTemporary& temporary, const SaveTarget& target, SystemError* error);
// Makes the moves into target's folder survive a crash; best effort.
void systemSyncFolder(const SaveTarget& target);
// Removes the temporary files that runs which died before finishing left in
// target's folder. A file whose run still goes on, or that anything else holds
// open, is never removed.
void systemRemoveStaleTemporaries(const SaveTarget& target);
void systemRemove(const char* path);
