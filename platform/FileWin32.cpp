// Win32 file operations: CreateFileA, GetFileSize and ReadFile for loading; a
// temporary file, flushed with its group, moved over the target for saving.
#include "platform/File.h"
#include "platform/FileFaults.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

enum class StagedState : uint8_t { Written, Flushed, Committed, Failed };

struct StagedFile {
    char* target;  // the file to replace; owns the buffer temp points into
    char* temp;    // the temporary file beside it
    HANDLE handle; // the temporary file, open until flushed
    StagedState state;
};

namespace {

// Attributes the user may have set that a replacement keeps. Read-only files
// are refused before this matters.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Room for "~scourwell-" with the process id, a serial number and ".tmp".
constexpr size_t TempNameRoom = 40;
constexpr unsigned TempNameAttempts = 64;

bool readAll(HANDLE file, uint8_t* buffer, uint32_t size)
{
    uint32_t done = 0;
    while (done < size) {
        if (fileFaultHit(FileStep::Read))
            return false;
        DWORD got = 0;
        // A zero count means the file ended before the size it had when opened.
        if (!ReadFile(file, buffer + done, size - done, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

ReadFileResult readOpenFile(HANDLE file, uint32_t maxSize, uint8_t** data, uint32_t* size)
{
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return ReadFileResult::CannotRead;
    if (high != 0 || low > maxSize)
        return ReadFileResult::TooLarge;
    if (low == 0)
        return ReadFileResult::Ok;
    uint8_t* buffer = new (std::nothrow) uint8_t[low];
    if (!buffer)
        return ReadFileResult::OutOfMemory;
    if (!readAll(file, buffer, low)) {
        delete[] buffer;
        return ReadFileResult::CannotRead;
    }
    *data = buffer;
    *size = low;
    return ReadFileResult::Ok;
}

// Turns the final path of an open file into the plain form the ANSI calls take.
bool finalPath(HANDLE file, char* resolved)
{
    DWORD length = GetFinalPathNameByHandleA(file, resolved, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (std::strncmp(resolved, "\\\\?\\UNC\\", 8) == 0) {
        // \\?\UNC\server\share becomes \\server\share.
        std::memmove(resolved + 2, resolved + 8, length - 8 + 1);
        return true;
    }
    if (std::strncmp(resolved, "\\\\?\\", 4) == 0)
        std::memmove(resolved, resolved + 4, length - 4 + 1);
    return true;
}

// Opens the existing file for writing without truncating it, which proves it
// may be replaced, and follows a link to its target. On success *target is
// path or resolved, and *attributes are the target's.
bool inspectOriginal(const char* path, char* resolved, const char** target, DWORD* attributes)
{
    bool isLink = (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!isLink && (*attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!fileFaultHit(FileStep::Open))
        file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    if (isLink) {
        BY_HANDLE_FILE_INFORMATION info;
        ok = finalPath(file, resolved) && GetFileInformationByHandle(file, &info);
        if (ok) {
            *target = resolved;
            *attributes = info.dwFileAttributes;
        }
    }
    CloseHandle(file);
    return ok && (*attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// Creates a new, uniquely named file beside target; temp receives its name.
HANDLE createTemporary(const char* target, char* temp, DWORD attributes)
{
    static unsigned serial = 0;
    size_t directoryLength = 0;
    for (size_t i = 0; target[i] != '\0'; ++i) {
        if (target[i] == '\\' || target[i] == '/' || target[i] == ':')
            directoryLength = i + 1;
    }
    std::memcpy(temp, target, directoryLength);
    unsigned process = static_cast<unsigned>(GetCurrentProcessId());
    for (unsigned attempt = 0; attempt < TempNameAttempts; ++attempt) {
        std::snprintf(temp + directoryLength, TempNameRoom, "~scourwell-%08X-%04X.tmp", process, serial++ & 0xFFFFu);
        HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, const uint8_t* data, uint32_t size)
{
    uint32_t done = 0;
    while (done < size) {
        DWORD chunk = size - done < MaxWriteChunk ? size - done : MaxWriteChunk;
        DWORD written = 0;
        if (fileFaultHit(FileStep::Write)) {
            // Fail as a full disk does: part of the chunk lands first.
            WriteFile(file, data + done, chunk / 2, &written, nullptr);
            return false;
        }
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

ReadFileResult readWholeFile(const char* path, uint32_t maxSize, uint8_t** data, uint32_t* size)
{
    if (!data || !size)
        return ReadFileResult::CannotOpen;
    *data = nullptr;
    *size = 0;
    if (!path || fileFaultHit(FileStep::Open))
        return ReadFileResult::CannotOpen;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ReadFileResult::CannotOpen;
    ReadFileResult result = readOpenFile(file, maxSize, data, size);
    CloseHandle(file);
    return result;
}

StagedFile* stageFileContents(const char* path, const uint8_t* data, uint32_t size)
{
    if (!path || (!data && size != 0))
        return nullptr;
    char resolved[MAX_PATH];
    const char* target = path;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Nothing there yet: a new file, with no original to protect.
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return nullptr;
        attributes = 0;
    } else if (!inspectOriginal(path, resolved, &target, &attributes)) {
        return nullptr;
    }

    size_t targetLength = std::strlen(target);
    StagedFile* staged = new (std::nothrow) StagedFile;
    char* names = new (std::nothrow) char[2 * (targetLength + 1) + TempNameRoom];
    if (!staged || !names) {
        delete staged;
        delete[] names;
        return nullptr;
    }
    staged->target = names;
    staged->temp = names + targetLength + 1;
    std::memcpy(staged->target, target, targetLength + 1);
    // The attributes are given at creation; archive marks the new contents for backup.
    DWORD created = (attributes & KeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    staged->handle =
        fileFaultHit(FileStep::CreateTemporary) ? INVALID_HANDLE_VALUE : createTemporary(target, staged->temp, created);
    if (staged->handle == INVALID_HANDLE_VALUE) {
        delete[] names;
        delete staged;
        return nullptr;
    }
    staged->state = StagedState::Written;
    // A fault here stands for attributes the new file could not take.
    if (fileFaultHit(FileStep::CopyAttributes) || !writeAll(staged->handle, data, size)) {
        releaseStagedFile(staged);
        return nullptr;
    }
    return staged;
}

void flushStagedFiles(StagedFile* const* files, uint32_t count, bool* flushed)
{
    if (!files || !flushed)
        return;
    // Windows has no flush of a whole volume for ordinary users: each file is
    // flushed on its own.
    for (uint32_t i = 0; i < count; ++i) {
        flushed[i] = false;
        StagedFile* file = files[i];
        if (!file || file->state != StagedState::Written)
            continue;
        // Flushed before the move, so a crash cannot leave an empty file in its place.
        bool ok = !fileFaultHit(FileStep::Flush) && FlushFileBuffers(file->handle);
        bool closed = CloseHandle(file->handle) != FALSE;
        file->handle = INVALID_HANDLE_VALUE;
        if (fileFaultHit(FileStep::Close))
            closed = false;
        ok = ok && closed;
        file->state = ok ? StagedState::Flushed : StagedState::Failed;
        flushed[i] = ok;
    }
}

bool commitStagedFile(StagedFile* file)
{
    if (!file || file->state != StagedState::Flushed)
        return false;
    if (fileFaultHit(FileStep::Replace)
        || !MoveFileExA(file->temp, file->target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        file->state = StagedState::Failed;
        return false;
    }
    file->state = StagedState::Committed;
    return true;
}

void syncStagedFolders(StagedFile* const* files, uint32_t count)
{
    // Each move was written through to the disk when it was made.
    static_cast<void>(files);
    static_cast<void>(count);
}

void releaseStagedFile(StagedFile* file)
{
    if (!file)
        return;
    if (file->handle != INVALID_HANDLE_VALUE)
        CloseHandle(file->handle);
    if (file->state != StagedState::Committed)
        DeleteFileA(file->temp);
    delete[] file->target;
    delete file;
}

int32_t fileSize(const char* path)
{
    if (!path || fileFaultHit(FileStep::Open))
        return -1;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL described = GetFileInformationByHandle(file, &info);
    if (!CloseHandle(file) || !described)
        return -1;
    // Larger sizes would wrap into nonsense; they are reported as unknown.
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > 0x7FFFFFFFu)
        return -1;
    return static_cast<int32_t>(info.nFileSizeLow);
}
