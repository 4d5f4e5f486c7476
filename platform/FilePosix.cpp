// POSIX file operations: open, fstat and read for loading; a hidden temporary
// file, synced with its group, renamed over the target for saving.
#include "platform/File.h"
#include "platform/FileFaults.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

enum class StagedState : uint8_t { Written, Flushed, Committed, Failed };

struct StagedFile {
    char* target;        // the file to replace; owns the buffer temp points into
    char* temp;          // the temporary file beside it
    size_t folderLength; // the folder's part of temp, its slash included
    int descriptor;      // the temporary file, open until flushed
    dev_t device;
    StagedState state;
};

namespace {

// Room for ".scourwell-" with the process id and a serial number.
constexpr size_t TempNameRoom = 32;
constexpr unsigned TempNameAttempts = 64;

bool readAll(int file, uint8_t* buffer, uint32_t size)
{
    uint32_t done = 0;
    while (done < size) {
        if (fileFaultHit(FileStep::Read))
            return false;
        ssize_t got = read(file, buffer + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        // An error, or the file ended before the size it had when opened.
        if (got <= 0)
            return false;
        done += static_cast<uint32_t>(got);
    }
    return true;
}

ReadFileResult readOpenFile(int file, uint32_t maxSize, uint8_t** data, uint32_t* size)
{
    struct stat info;
    if (fstat(file, &info) != 0)
        return ReadFileResult::CannotRead;
    // Directories, devices and pipes are never model files.
    if (!S_ISREG(info.st_mode))
        return ReadFileResult::CannotOpen;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize)
        return ReadFileResult::TooLarge;
    uint32_t length = static_cast<uint32_t>(info.st_size);
    if (length == 0)
        return ReadFileResult::Ok;
    uint8_t* buffer = new (std::nothrow) uint8_t[length];
    if (!buffer)
        return ReadFileResult::OutOfMemory;
    if (!readAll(file, buffer, length)) {
        delete[] buffer;
        return ReadFileResult::CannotRead;
    }
    *data = buffer;
    *size = length;
    return ReadFileResult::Ok;
}

// What a replacement must keep of the file it replaces.
struct Original {
    bool exists;
    mode_t mode;
    uid_t owner;
    gid_t group;
};

// Opens the existing file for writing without truncating it, which proves it
// may be replaced, and takes its mode and owner. A symbolic link is resolved
// into resolved, which *target then names; a missing file is a new one.
bool inspectOriginal(const char* path, char* resolved, const char** target, Original* original)
{
    *target = path;
    *original = Original{false, 0666, 0, 0};
    if (fileFaultHit(FileStep::Open))
        return false;
    // Non-blocking, so a named pipe without a reader fails instead of hanging.
    // No link is followed, so only a link costs the resolving.
    int file = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (file < 0 && errno == ELOOP) {
        // A symbolic link keeps pointing at the file, which gets the new contents.
        if (!realpath(path, resolved))
            return errno == ENOENT;
        *target = resolved;
        file = open(resolved, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    // Nothing there yet: a new file, with no original to protect.
    if (file < 0)
        return errno == ENOENT;
    struct stat info;
    bool statted = fstat(file, &info) == 0;
    close(file);
    if (!statted || !S_ISREG(info.st_mode))
        return false;
    // Root may open any file for writing; no write bit at all marks it read-only.
    if ((info.st_mode & 0222) == 0)
        return false;
    *original = Original{true, static_cast<mode_t>(info.st_mode & 07777), info.st_uid, info.st_gid};
    return true;
}

bool writeAll(int file, const uint8_t* data, uint32_t size)
{
    uint32_t done = 0;
    while (done < size) {
        uint32_t chunk = size - done < MaxWriteChunk ? size - done : MaxWriteChunk;
        if (fileFaultHit(FileStep::Write)) {
            // Fail as a full disk does: part of the chunk lands first.
            ssize_t partial = write(file, data + done, chunk / 2);
            static_cast<void>(partial);
            return false;
        }
        ssize_t written = write(file, data + done, chunk);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<uint32_t>(written);
    }
    return true;
}

// Creates a new, uniquely named file in the folder that temp's first
// folderLength bytes name; temp receives the file's name. Made with the
// original's permission bits, so usually nothing needs changing afterwards.
int createTemporary(char* temp, size_t folderLength, mode_t mode)
{
    static unsigned serial = 0;
    static const unsigned process = static_cast<unsigned>(getpid());
    for (unsigned attempt = 0; attempt < TempNameAttempts; ++attempt) {
        std::snprintf(temp + folderLength, TempNameRoom, ".scourwell-%08x-%08x", process, serial++);
        int file = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode & 0777);
        if (file >= 0 || errno != EEXIST)
            return file;
    }
    return -1;
}

// Gives the temporary file the original's owner and mode, changing only what
// differs; the device is taken for the flush.
bool dressTemporary(int file, const Original& original, dev_t* device)
{
    struct stat info;
    if (fstat(file, &info) != 0)
        return false;
    *device = info.st_dev;
    // A new file keeps what its creation gave it: the umask applied to 0666.
    if (fileFaultHit(FileStep::CopyAttributes))
        return false;
    if (!original.exists)
        return true;
    bool chowned = false;
    // Ownership first: changing it clears set-id bits that the mode then restores.
    // Only root can give a file away, so a refusal is no failure.
    if (info.st_uid != original.owner || info.st_gid != original.group)
        chowned = fchown(file, original.owner, original.group) == 0;
    if (!chowned && (info.st_mode & 07777) == original.mode)
        return true;
    return fchmod(file, original.mode) == 0;
}

// The folder must be synced too for the rename itself to survive a crash.
void syncFolder(const char* temp, size_t folderLength)
{
    char* folder = new (std::nothrow) char[folderLength + 2];
    if (!folder)
        return;
    std::memcpy(folder, temp, folderLength);
    folder[folderLength] = '\0';
    int file = open(folderLength == 0 ? "." : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    delete[] folder;
    if (file < 0)
        return;
    if (fsync(file) != 0) {
        // The files themselves are synced; this only narrows the window further.
    }
    close(file);
}

bool sameFolder(const StagedFile& a, const StagedFile& b)
{
    return a.folderLength == b.folderLength && std::memcmp(a.temp, b.temp, a.folderLength) == 0;
}

// Closes the file's descriptor; false when the close reports an error.
bool closeStaged(StagedFile& file)
{
    bool closed = close(file.descriptor) == 0;
    file.descriptor = -1;
    if (fileFaultHit(FileStep::Close))
        closed = false;
    return closed;
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
    // Non-blocking, so a named pipe without a writer fails instead of hanging.
    int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return ReadFileResult::CannotOpen;
    ReadFileResult result = readOpenFile(file, maxSize, data, size);
    close(file);
    return result;
}

StagedFile* stageFileContents(const char* path, const uint8_t* data, uint32_t size)
{
    if (!path || (!data && size != 0))
        return nullptr;
    char resolved[PATH_MAX];
    const char* target = nullptr;
    Original original;
    if (!inspectOriginal(path, resolved, &target, &original))
        return nullptr;

    size_t targetLength = std::strlen(target);
    const char* slash = std::strrchr(target, '/');
    size_t folderLength = slash ? static_cast<size_t>(slash - target) + 1 : 0;
    StagedFile* staged = new (std::nothrow) StagedFile;
    char* names = new (std::nothrow) char[targetLength + 1 + folderLength + TempNameRoom];
    if (!staged || !names) {
        delete staged;
        delete[] names;
        return nullptr;
    }
    staged->target = names;
    staged->temp = names + targetLength + 1;
    staged->folderLength = folderLength;
    staged->device = 0;
    std::memcpy(staged->target, target, targetLength + 1);
    std::memcpy(staged->temp, target, folderLength);

    staged->descriptor =
        fileFaultHit(FileStep::CreateTemporary) ? -1 : createTemporary(staged->temp, folderLength, original.mode);
    if (staged->descriptor < 0) {
        delete[] names;
        delete staged;
        return nullptr;
    }
    staged->state = StagedState::Written;
    if (!writeAll(staged->descriptor, data, size) || !dressTemporary(staged->descriptor, original, &staged->device)) {
        releaseStagedFile(staged);
        return nullptr;
    }
    return staged;
}

void flushStagedFiles(StagedFile* const* files, uint32_t count, bool* flushed)
{
    if (!files || !flushed)
        return;
    // One sync of the whole file system costs one journal commit instead of one
    // per file; it serves only when every file lies on the same one. Its errors
    // (reported since Linux 5.8) count from the opening of the first file, before
    // any of the group was written.
    const StagedFile* first = nullptr;
    bool oneDevice = true;
    uint32_t waiting = 0;
    for (uint32_t i = 0; i < count; ++i) {
        flushed[i] = false;
        const StagedFile* file = files[i];
        if (!file || file->state != StagedState::Written)
            continue;
        ++waiting;
        if (!first)
            first = file;
        else if (file->device != first->device)
            oneDevice = false;
    }
    bool groupSynced = waiting > 1 && oneDevice && syncfs(first->descriptor) == 0;
    for (uint32_t i = 0; i < count; ++i) {
        StagedFile* file = files[i];
        if (!file || file->state != StagedState::Written)
            continue;
        // Synced before the rename, so a crash cannot leave an empty file in its place.
        bool ok = !fileFaultHit(FileStep::Flush) && (groupSynced || fsync(file->descriptor) == 0);
        ok = closeStaged(*file) && ok;
        file->state = ok ? StagedState::Flushed : StagedState::Failed;
        flushed[i] = ok;
    }
}

bool commitStagedFile(StagedFile* file)
{
    if (!file || file->state != StagedState::Flushed)
        return false;
    if (fileFaultHit(FileStep::Replace) || rename(file->temp, file->target) != 0) {
        file->state = StagedState::Failed;
        return false;
    }
    file->state = StagedState::Committed;
    return true;
}

void syncStagedFolders(StagedFile* const* files, uint32_t count)
{
    if (!files)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const StagedFile* file = files[i];
        if (!file || file->state != StagedState::Committed)
            continue;
        bool synced = false;
        for (uint32_t j = 0; j < i && !synced; ++j)
            synced = files[j] && files[j]->state == StagedState::Committed && sameFolder(*files[j], *file);
        if (!synced)
            syncFolder(file->temp, file->folderLength);
    }
}

void releaseStagedFile(StagedFile* file)
{
    if (!file)
        return;
    if (file->descriptor >= 0)
        close(file->descriptor);
    if (file->state != StagedState::Committed)
        unlink(file->temp);
    delete[] file->target;
    delete file;
}

int32_t fileSize(const char* path)
{
    if (!path || fileFaultHit(FileStep::Open))
        return -1;
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    // Larger sizes would wrap into nonsense; they are reported as unknown.
    if (info.st_size < 0 || info.st_size > INT32_MAX)
        return -1;
    return static_cast<int32_t>(info.st_size);
}
