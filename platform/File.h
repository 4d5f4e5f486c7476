// The few file operations the program needs from the operating system: read a
// whole file, replace a file's contents atomically, take a file's size.
// Win32 and POSIX implementations; nothing above this layer includes windows.h.
#pragma once

#include <cstdint>

enum class ReadFileResult : uint8_t { Ok, CannotOpen, CannotRead, TooLarge, OutOfMemory };

// Reads the whole file into a new[]'d buffer of its exact size (*data is null for
// an empty file). Files larger than maxSize are refused.
ReadFileResult readWholeFile(const char* path, uint32_t maxSize, uint8_t** data, uint32_t* size);

// Writes data to a temporary file beside path, flushes it to disk and moves it
// over path in one step, keeping the original's permissions or attributes and
// following a symbolic link to the file it names. A file that cannot be opened
// for writing, or is marked read-only, is refused. On any failure the original
// is byte for byte what it was and no temporary file is left behind.
bool replaceFileContents(const char* path, const uint8_t* data, uint32_t size);

// A file's new contents written beside it, waiting to replace it. Saving in
// groups lets many files share one flush to disk: stage each, flush the group,
// commit each, sync the group's folders, release each. replaceFileContents is
// that sequence for a single file.
struct StagedFile;

// Resolves path as replaceFileContents does and refuses the same files, then
// writes data to a temporary file beside the target with the original's
// permissions or attributes. Nothing is flushed yet. Null on failure, with
// nothing left behind.
StagedFile* stageFileContents(const char* path, const uint8_t* data, uint32_t size);
// Flushes the contents of count staged files to disk and closes them; flushed[i]
// tells whether files[i] may now be committed. Files staged first come first.
void flushStagedFiles(StagedFile* const* files, uint32_t count, bool* flushed);
// Moves a flushed file over its target in one step; false when the file was not
// flushed or cannot be moved, and the original is then untouched.
bool commitStagedFile(StagedFile* file);
// Makes the moves of the committed files survive a crash, once per folder.
// Best effort: the contents are on disk already.
void syncStagedFolders(StagedFile* const* files, uint32_t count);
// Removes the temporary file unless it was committed, and frees file.
void releaseStagedFile(StagedFile* file);

// The size in bytes as a signed 32-bit value, or -1 when it cannot be taken or
// does not fit.
int32_t fileSize(const char* path);

// Steps of the operations above where a test can make the system call fail.
// Open is the opening of the file itself by any of the operations; Read serves
// only loading; the others serve only saving, staged or not. Flush and Close
// strike per file, also when a group shares one flush.
enum class FileStep : uint8_t { Open, Read, CreateTemporary, Write, Flush, CopyAttributes, Close, Replace, Count };
// Test seam: the occurrence-th call (1-based) of step from now on fails, once.
// Arming a step again replaces its fault; occurrence 0 disarms it.
void injectFileFault(FileStep step, uint32_t occurrence);
void clearFileFaults();
