// The file layer's system calls on Windows: CreateFileA, GetFileSize and
// ReadFile for loading; a temporary file moved over the target for saving.
#include "platform/SystemFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Attributes the user may have set that a replacement keeps. Read-only files
// are refused before this matters.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Room for "~scourwell-" with the process id, a serial number and ".tmp".
constexpr size_t TemporaryNameRoom = 40;
constexpr char TemporaryPrefix[] = "~scourwell-";
constexpr unsigned TemporaryNameAttempts = 64;

HANDLE toHandle(SystemHandle file) { return reinterpret_cast<HANDLE>(file); }
SystemHandle fromHandle(HANDLE file) { return reinterpret_cast<SystemHandle>(file); }

SystemError errorFrom(DWORD code)
{
    FileError kind = FileError::Other;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        kind = FileError::NotFound;
        break;
    case ERROR_ACCESS_DENIED:
        kind = FileError::AccessDenied;
        break;
    case ERROR_WRITE_PROTECT:
        kind = FileError::ReadOnlyFileSystem;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        kind = FileError::NoSpace;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        kind = FileError::InUse;
        break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        kind = FileError::OutOfMemory;
        break;
    default:
        break;
    }
    return SystemError{kind, static_cast<int32_t>(code)};
}

bool failWithLastError(SystemError* error)
{
    *error = errorFrom(GetLastError());
    return false;
}

bool failWith(SystemError* error, FileError kind)
{
    *error = SystemError{kind, 0};
    return false;
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

// The folder's part of path, its separator included.
size_t folderLengthOf(const char* path)
{
    size_t length = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            length = i + 1;
    }
    return length;
}

} // namespace

SystemError systemLastError() { return errorFrom(GetLastError()); }

bool systemOpenToRead(const char* path, SystemHandle* file, uint64_t* size, SystemError* error)
{
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failWithLastError(error);
    DWORD high = 0;
    DWORD low = GetFileSize(handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        failWithLastError(error);
        CloseHandle(handle);
        return false;
    }
    *file = fromHandle(handle);
    *size = uint64_t(high) << 32 | low;
    return true;
}

bool systemRead(SystemHandle file, uint8_t* buffer, uint32_t length, uint32_t* got, SystemError* error)
{
    DWORD count = 0;
    if (!ReadFile(toHandle(file), buffer, length, &count, nullptr))
        return failWithLastError(error);
    *got = count;
    return true;
}

void systemClose(SystemHandle file)
{
    if (file != ClosedFile)
        CloseHandle(toHandle(file));
}

bool systemIdentifyFile(const char* path, FileIdentity* identity)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL described = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!described || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    identity->device = info.dwVolumeSerialNumber;
    identity->file = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    identity->size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return true;
}

bool systemInspectTarget(const char* path, SaveTarget* target, SystemError* error)
{
    char resolved[MAX_PATH];
    const char* name = path;
    DWORD attributes = GetFileAttributesA(path);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // Nothing there yet: a new file, with no original to protect.
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return failWithLastError(error);
    if (exists) {
        bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!isLink && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return failWith(error, FileError::NotAFile);
        if (!isLink && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return failWith(error, FileError::ReadOnlyFile);
        // Opening for writing without truncating proves the file may be replaced,
        // and follows a link to its target.
        HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return failWithLastError(error);
        bool ok = true;
        if (isLink) {
            BY_HANDLE_FILE_INFORMATION info;
            ok = finalPath(file, resolved) && GetFileInformationByHandle(file, &info);
            if (ok) {
                name = resolved;
                attributes = info.dwFileAttributes;
            }
        }
        if (!ok)
            failWithLastError(error);
        CloseHandle(file);
        if (!ok)
            return false;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return failWith(error, FileError::NotAFile);
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return failWith(error, FileError::ReadOnlyFile);
    }
    size_t length = std::strlen(name);
    target->path = new (std::nothrow) char[length + 1];
    if (target->path == nullptr)
        return failWith(error, FileError::OutOfMemory);
    std::memcpy(target->path, name, length + 1);
    target->folderLength = folderLengthOf(target->path);
    target->exists = exists;
    target->attributes = exists ? attributes : 0;
    return true;
}

bool systemCreateTemporary(const SaveTarget& target, SaveTemporary* temporary, SystemError* error)
{
    static unsigned serial = 0;
    char* name = new (std::nothrow) char[target.folderLength + TemporaryNameRoom];
    if (name == nullptr)
        return failWith(error, FileError::OutOfMemory);
    std::memcpy(name, target.path, target.folderLength);
    unsigned process = static_cast<unsigned>(GetCurrentProcessId());
    // The attributes are given at creation; archive marks the new contents for backup.
    DWORD attributes = (target.attributes & KeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    for (unsigned attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        std::snprintf(name + target.folderLength, TemporaryNameRoom, "%s%08X-%04X.tmp", TemporaryPrefix, process,
                      serial++ & 0xFFFFu);
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
            continue;
        if (file == INVALID_HANDLE_VALUE)
            break;
        BY_HANDLE_FILE_INFORMATION info;
        temporary->fileSystem = GetFileInformationByHandle(file, &info) ? info.dwVolumeSerialNumber : 0;
        temporary->path = name;
        temporary->handle = fromHandle(file);
        return true;
    }
    failWithLastError(error);
    delete[] name;
    return false;
}

bool systemWrite(SystemHandle file, const uint8_t* data, uint32_t length, uint32_t* written, SystemError* error)
{
    DWORD count = 0;
    if (!WriteFile(toHandle(file), data, length, &count, nullptr))
        return failWithLastError(error);
    if (count == 0 && length > 0)
        return failWith(error, FileError::NoSpace);
    *written = count;
    return true;
}

bool systemCopyAttributes(const SaveTarget&, SaveTemporary*, SystemError*)
{
    // The temporary took the kept attributes when it was created.
    return true;
}

bool systemSyncFileSystem(const SaveTemporary&)
{
    // Windows has no flush of a whole volume for ordinary users: each file is
    // flushed on its own.
    return false;
}

bool systemFlush(const SaveTemporary& temporary, SystemError* error)
{
    return FlushFileBuffers(toHandle(temporary.handle)) || failWithLastError(error);
}

bool systemCloseTemporary(SaveTemporary* temporary, SystemError* error)
{
    HANDLE file = toHandle(temporary->handle);
    temporary->handle = ClosedFile;
    return CloseHandle(file) || failWithLastError(error);
}

bool systemReplace(const SaveTemporary& temporary, const SaveTarget& target, SystemError* error)
{
    return MoveFileExA(temporary.path, target.path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        || failWithLastError(error);
}

void systemSyncFolder(const SaveTarget&)
{
    // Each move was written through to the disk when it was made.
}

void systemRemove(const char* path) { DeleteFileA(path); }

namespace {

// The process id in a temporary file's name, or 0 when the name is not one.
DWORD ownerOf(const char* name)
{
    const size_t prefix = sizeof TemporaryPrefix - 1;
    if (std::strlen(name) != prefix + 8 + 1 + 4 + 4 || std::strncmp(name, TemporaryPrefix, prefix) != 0)
        return 0;
    char* end = nullptr;
    unsigned long process = std::strtoul(name + prefix, &end, 16);
    return end == name + prefix + 8 && *end == '-' ? static_cast<DWORD>(process) : 0;
}

bool processAlive(DWORD process)
{
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    if (handle == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // refused: it exists
    bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    CloseHandle(handle);
    return running;
}

} // namespace

void systemRemoveStaleTemporaries(const SaveTarget& target)
{
    const char pattern[] = "~scourwell-*.tmp";
    char* search = new (std::nothrow) char[target.folderLength + sizeof pattern];
    char* found = new (std::nothrow) char[target.folderLength + MAX_PATH];
    if (search == nullptr || found == nullptr) {
        delete[] search;
        delete[] found;
        return;
    }
    std::memcpy(search, target.path, target.folderLength);
    std::memcpy(search + target.folderLength, pattern, sizeof pattern);
    std::memcpy(found, target.path, target.folderLength);
    WIN32_FIND_DATAA entry;
    HANDLE entries = FindFirstFileA(search, &entry);
    const DWORD self = GetCurrentProcessId();
    for (bool more = entries != INVALID_HANDLE_VALUE; more; more = FindNextFileA(entries, &entry) != 0) {
        DWORD owner = ownerOf(entry.cFileName);
        if (owner == 0 || owner == self || processAlive(owner))
            continue;
        // A file that something holds open cannot be deleted, and is not.
        std::snprintf(found + target.folderLength, MAX_PATH, "%s", entry.cFileName);
        DeleteFileA(found);
    }
    if (entries != INVALID_HANDLE_VALUE)
        FindClose(entries);
    delete[] search;
    delete[] found;
}

const char* systemErrorText(int32_t code, char* text, size_t capacity)
{
    if (capacity == 0)
        return text;
    text[0] = '\0';
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(code), 0, text, static_cast<DWORD>(capacity), nullptr);
    // Messages end with a full stop and a line break; a reason inside a line wants neither.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
        text[--length] = '\0';
    if (length == 0)
        std::snprintf(text, capacity, "system error %ld", static_cast<long>(code));
    return text;
}
