// The file layer's system calls on POSIX systems.
#include "platform/SystemFiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Room for ".scourwell-" with the process id and a serial number.
constexpr size_t TemporaryNameRoom = 32;
constexpr char TemporaryPrefix[] = ".scourwell-";
constexpr size_t TemporaryNameLength = sizeof TemporaryPrefix - 1 + 8 + 1 + 8;
constexpr unsigned TemporaryNameAttempts = 64;

SystemError errorFrom(int code)
{
    FileError kind = FileError::Other;
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        kind = FileError::NotFound;
        break;
    case EACCES:
    case EPERM:
        kind = FileError::AccessDenied;
        break;
    case EROFS:
        kind = FileError::ReadOnlyFileSystem;
        break;
    case ENOSPC:
    case EDQUOT:
        kind = FileError::NoSpace;
        break;
    case EBUSY:
    case ETXTBSY:
        kind = FileError::InUse;
        break;
    case EISDIR:
        kind = FileError::NotAFile;
        break;
    case ENOMEM:
        kind = FileError::OutOfMemory;
        break;
    default:
        break;
    }
    return SystemError{kind, code};
}

bool failWith(SystemError* error, int code)
{
    *error = errorFrom(code);
    return false;
}

bool failWith(SystemError* error, FileError kind)
{
    *error = SystemError{kind, 0};
    return false;
}

char* copyOf(const char* text, size_t extra)
{
    size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1 + extra];
    if (copy != nullptr)
        std::memcpy(copy, text, length + 1);
    return copy;
}

} // namespace

SystemError systemLastError() { return errorFrom(errno); }

bool systemOpenToRead(const char* path, SystemHandle* file, uint64_t* size, SystemError* error)
{
    // Non-blocking, so a named pipe without a writer fails instead of hanging.
    int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return failWith(error, errno);
    struct stat info;
    if (fstat(descriptor, &info) != 0) {
        int code = errno;
        close(descriptor);
        return failWith(error, code);
    }
    // Folders, devices and pipes are never model files.
    if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        close(descriptor);
        return failWith(error, FileError::NotAFile);
    }
    *file = descriptor;
    *size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool systemRead(SystemHandle file, uint8_t* buffer, uint32_t length, uint32_t* got, SystemError* error)
{
    for (;;) {
        ssize_t count = read(static_cast<int>(file), buffer, length);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failWith(error, errno);
        *got = static_cast<uint32_t>(count);
        return true;
    }
}

void systemClose(SystemHandle file)
{
    if (file != ClosedFile)
        close(static_cast<int>(file));
}

bool systemIdentifyFile(const char* path, FileIdentity* identity)
{
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    identity->device = static_cast<uint64_t>(info.st_dev);
    identity->file = static_cast<uint64_t>(info.st_ino);
    identity->size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool systemInspectTarget(const char* path, SaveTarget* target, SystemError* error)
{
    char resolved[PATH_MAX];
    const char* name = path;
    struct stat info;
    bool exists = lstat(path, &info) == 0;
    if (exists && S_ISLNK(info.st_mode)) {
        // A symbolic link keeps pointing at the file, which gets the new contents;
        // a link to nothing is replaced by the new file.
        if (realpath(path, resolved) != nullptr) {
            name = resolved;
            exists = stat(resolved, &info) == 0;
        } else if (errno == ENOENT) {
            exists = false;
        } else {
            return failWith(error, errno);
        }
    }
    if (!exists && errno != ENOENT)
        return failWith(error, errno);
    if (exists) {
        if (!S_ISREG(info.st_mode))
            return failWith(error, FileError::NotAFile);
        // Root may write any file; no write bit at all marks it read-only. The
        // access test also meets read-only file systems and files in use.
        if ((info.st_mode & 0222) == 0)
            return failWith(error, FileError::ReadOnlyFile);
        if (access(name, W_OK) != 0)
            return failWith(error, errno);
    }
    target->path = copyOf(name, 0);
    if (target->path == nullptr)
        return failWith(error, FileError::OutOfMemory);
    const char* slash = std::strrchr(target->path, '/');
    target->folderLength = slash != nullptr ? static_cast<size_t>(slash - target->path) + 1 : 0;
    target->exists = exists;
    // A new file gets what its creation gives it: the umask applied to 0666.
    target->attributes = exists ? static_cast<uint32_t>(info.st_mode & 07777) : 0666;
    target->owner = exists ? static_cast<uint32_t>(info.st_uid) : 0;
    target->group = exists ? static_cast<uint32_t>(info.st_gid) : 0;
    return true;
}

bool systemCreateTemporary(const SaveTarget& target, SaveTemporary* temporary, SystemError* error)
{
    static unsigned serial = 0;
    static const unsigned process = static_cast<unsigned>(getpid());
    char* name = new (std::nothrow) char[target.folderLength + TemporaryNameRoom];
    if (name == nullptr)
        return failWith(error, FileError::OutOfMemory);
    std::memcpy(name, target.path, target.folderLength);
    // Made with the original's permission bits, so usually nothing changes later.
    for (unsigned attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        std::snprintf(name + target.folderLength, TemporaryNameRoom, "%s%08x-%08x", TemporaryPrefix, process, serial++);
        int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, target.attributes & 0777);
        if (file < 0 && errno == EEXIST)
            continue;
        if (file < 0)
            break;
        // Held while the file is open, so a later run never takes it for stale.
        static_cast<void>(flock(file, LOCK_EX | LOCK_NB));
        temporary->path = name;
        temporary->handle = file;
        return true;
    }
    int code = errno;
    delete[] name;
    return failWith(error, code);
}

bool systemWrite(SystemHandle file, const uint8_t* data, uint32_t length, uint32_t* written, SystemError* error)
{
    for (;;) {
        ssize_t count = write(static_cast<int>(file), data, length);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failWith(error, errno);
        if (count == 0 && length > 0)
            return failWith(error, ENOSPC);
        *written = static_cast<uint32_t>(count);
        return true;
    }
}

bool systemCopyAttributes(const SaveTarget& target, SaveTemporary* temporary, SystemError* error)
{
    int file = static_cast<int>(temporary->handle);
    struct stat info;
    if (fstat(file, &info) != 0)
        return failWith(error, errno);
    temporary->fileSystem = static_cast<uint64_t>(info.st_dev);
    if (!target.exists)
        return true;
    bool chowned = false;
    // Ownership first: changing it clears set-id bits that the mode then restores.
    // Only root can give a file away, so a refusal is no failure.
    if (info.st_uid != target.owner || info.st_gid != target.group)
        chowned = fchown(file, target.owner, target.group) == 0;
    if (!chowned && (info.st_mode & 07777) == target.attributes)
        return true;
    return fchmod(file, static_cast<mode_t>(target.attributes)) == 0 || failWith(error, errno);
}

bool systemSyncFileSystem(const SaveTemporary& temporary)
{
    // Errors of the sync (reported since Linux 5.8) count from the opening of the
    // temporary, before any of the group was written.
    return syncfs(static_cast<int>(temporary.handle)) == 0;
}

bool systemFlush(const SaveTemporary& temporary, SystemError* error)
{
    return fsync(static_cast<int>(temporary.handle)) == 0 || failWith(error, errno);
}

bool systemCloseTemporary(SaveTemporary* temporary, SystemError* error)
{
    int file = static_cast<int>(temporary->handle);
    temporary->handle = ClosedFile;
    return close(file) == 0 || failWith(error, errno);
}

bool systemReplace(const SaveTemporary& temporary, const SaveTarget& target, SystemError* error)
{
    return rename(temporary.path, target.path) == 0 || failWith(error, errno);
}

void systemSyncFolder(const SaveTarget& target)
{
    char* folder = new (std::nothrow) char[target.folderLength + 2];
    if (folder == nullptr)
        return;
    std::memcpy(folder, target.path, target.folderLength);
    folder[target.folderLength] = '\0';
    int file = open(target.folderLength == 0 ? "." : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    delete[] folder;
    if (file < 0)
        return;
    // The files themselves are synced already; this only narrows the window.
    static_cast<void>(fsync(file));
    close(file);
}

void systemRemove(const char* path) { unlink(path); }

namespace {

// The process id in a temporary file's name, or 0 when the name is not one.
pid_t ownerOf(const char* name)
{
    if (std::strlen(name) != TemporaryNameLength
        || std::strncmp(name, TemporaryPrefix, sizeof TemporaryPrefix - 1) != 0)
        return 0;
    char* end = nullptr;
    unsigned long process = std::strtoul(name + sizeof TemporaryPrefix - 1, &end, 16);
    if (end != name + sizeof TemporaryPrefix - 1 + 8 || *end != '-')
        return 0;
    return static_cast<pid_t>(process);
}

bool processAlive(pid_t process) { return kill(process, 0) == 0 || errno != ESRCH; }

} // namespace

void systemRemoveStaleTemporaries(const SaveTarget& target)
{
    char* folder = new (std::nothrow) char[target.folderLength + 2];
    if (folder == nullptr)
        return;
    std::memcpy(folder, target.path, target.folderLength);
    folder[target.folderLength] = '\0';
    DIR* entries = opendir(target.folderLength == 0 ? "." : folder);
    delete[] folder;
    if (entries == nullptr)
        return;
    const pid_t self = getpid();
    while (const dirent* entry = readdir(entries)) {
        pid_t owner = ownerOf(entry->d_name);
        if (owner <= 0 || owner == self || processAlive(owner))
            continue;
        // Its run is gone; a lock that cannot be had means someone holds it all
        // the same (a run of another machine sharing the folder).
        int file = openat(dirfd(entries), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (file < 0)
            continue;
        if (flock(file, LOCK_EX | LOCK_NB) == 0)
            unlinkat(dirfd(entries), entry->d_name, 0);
        close(file);
    }
    closedir(entries);
}

const char* systemErrorText(int32_t code, char* text, size_t capacity)
{
    if (capacity == 0)
        return text;
    std::snprintf(text, capacity, "%s", std::strerror(code));
    return text;
}
