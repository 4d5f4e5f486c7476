// The file operations as one sequence for every system, over the system calls
// of SystemFiles.h.
#include "platform/File.h"

#include <cstring>
#include <new>

#include "platform/FileSeam.h"
#include "platform/GrowableArray.h"
#include "platform/SystemFiles.h"

namespace {

FileFaultHook faultHook = nullptr;

// True when a test's fault strikes this step; error then holds it.
bool faultStrikes(FileStep step, SystemError* error)
{
    if (faultHook == nullptr)
        return false;
    FileError kind = faultHook(step);
    if (kind == FileError::None)
        return false;
    *error = SystemError{kind, 0};
    return true;
}

bool readAll(SystemHandle file, uint8_t* buffer, uint32_t size, SystemError* error)
{
    uint32_t done = 0;
    while (done < size) {
        uint32_t got = 0;
        if (faultStrikes(FileStep::Read, error) || !systemRead(file, buffer + done, size - done, &got, error))
            return false;
        // The file ended before the size it had when opened.
        if (got == 0) {
            *error = SystemError{FileError::Other, 0};
            return false;
        }
        done += got;
    }
    return true;
}

bool writeAll(SystemHandle file, const uint8_t* data, uint32_t size, SystemError* error)
{
    uint32_t done = 0;
    while (done < size) {
        uint32_t chunk = size - done < MaxWriteChunk ? size - done : MaxWriteChunk;
        uint32_t written = 0;
        if (faultStrikes(FileStep::Write, error)) {
            // Fail as a full disk does: part of the chunk lands first.
            SystemError ignored;
            systemWrite(file, data + done, chunk / 2, &written, &ignored);
            return false;
        }
        if (!systemWrite(file, data + done, chunk, &written, error))
            return false;
        done += written;
    }
    return true;
}

// The folders this process has swept of what dead runs left, each once.
class SweptFolders {
public:
    ~SweptFolders()
    {
        for (uint32_t i = 0; i < folders.size(); ++i)
            delete[] folders[i];
    }

    // True the first time a folder is named; false after, or when memory runs out.
    bool firstTime(const char* path, size_t folderLength)
    {
        for (uint32_t i = 0; i < folders.size(); ++i) {
            if (std::strlen(folders[i]) == folderLength && std::memcmp(folders[i], path, folderLength) == 0)
                return false;
        }
        if (!folders.makeRoom(16))
            return false;
        char* folder = new (std::nothrow) char[folderLength + 1];
        if (folder == nullptr)
            return false;
        std::memcpy(folder, path, folderLength);
        folder[folderLength] = '\0';
        folders.push(folder);
        return true;
    }

private:
    GrowableArray<char*> folders;
};

SweptFolders sweptFolders;

enum class SaveStage : uint8_t { Refused, Written, Flushed, Replaced };

// One file on its way through the save sequence.
struct SaveState {
    SaveTarget target;
    SaveTemporary temporary;
    SaveStage stage = SaveStage::Refused;
};

void fail(SaveState& state, FileSave& file, const SystemError& error)
{
    state.stage = SaveStage::Refused;
    file.saved = false;
    file.error = error;
}

// Inspects the target, creates the temporary beside it and writes the contents.
void stage(SaveState& state, FileSave& file)
{
    SystemError error;
    if (file.path == nullptr || (file.data == nullptr && file.size != 0)) {
        error.kind = FileError::Other;
        return fail(state, file, error);
    }
    if (faultStrikes(FileStep::Open, &error) || !systemInspectTarget(file.path, &state.target, &error))
        return fail(state, file, error);
    if (sweptFolders.firstTime(state.target.path, state.target.folderLength))
        systemRemoveStaleTemporaries(state.target);
    if (faultStrikes(FileStep::CreateTemporary, &error)
        || !systemCreateTemporary(state.target, &state.temporary, &error))
        return fail(state, file, error);
    state.stage = SaveStage::Written;
    if (!writeAll(state.temporary.handle, file.data, file.size, &error)
        || faultStrikes(FileStep::CopyAttributes, &error)
        || !systemCopyAttributes(state.target, &state.temporary, &error))
        return fail(state, file, error);
}

// One sync of the whole file system costs one journal commit instead of one per
// file; it serves only when every file of the group lies on the same one.
bool syncGroup(const SaveState* states, uint32_t count)
{
    const SaveState* first = nullptr;
    uint32_t waiting = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (states[i].stage != SaveStage::Written)
            continue;
        ++waiting;
        if (first == nullptr)
            first = &states[i];
        else if (states[i].temporary.fileSystem != first->temporary.fileSystem)
            return false;
    }
    return waiting > 1 && systemSyncFileSystem(first->temporary);
}

// Flushed before the move, so a crash cannot leave an empty file in its place.
void flush(SaveState& state, FileSave& file, bool groupSynced)
{
    SystemError error;
    bool flushed = !faultStrikes(FileStep::Flush, &error) && (groupSynced || systemFlush(state.temporary, &error));
    SystemError closeError;
    bool closed = systemCloseTemporary(&state.temporary, &closeError) && !faultStrikes(FileStep::Close, &closeError);
    if (!flushed)
        return fail(state, file, error);
    if (!closed)
        return fail(state, file, closeError);
    state.stage = SaveStage::Flushed;
}

void replace(SaveState& state, FileSave& file)
{
    SystemError error;
    if (faultStrikes(FileStep::Replace, &error) || !systemReplace(state.temporary, state.target, &error))
        return fail(state, file, error);
    state.stage = SaveStage::Replaced;
    file.saved = true;
}

bool sameFolder(const SaveTarget& a, const SaveTarget& b)
{
    if (a.folderLength != b.folderLength)
        return false;
    for (size_t i = 0; i < a.folderLength; ++i) {
        if (a.path[i] != b.path[i])
            return false;
    }
    return true;
}

void syncFolders(const SaveState* states, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (states[i].stage != SaveStage::Replaced)
            continue;
        bool synced = false;
        for (uint32_t j = 0; j < i && !synced; ++j)
            synced = states[j].stage == SaveStage::Replaced && sameFolder(states[j].target, states[i].target);
        if (!synced)
            systemSyncFolder(states[i].target);
    }
}

void release(SaveState& state)
{
    if (state.temporary.handle != ClosedFile) {
        SystemError ignored;
        systemCloseTemporary(&state.temporary, &ignored);
    }
    if (state.temporary.path != nullptr && state.stage != SaveStage::Replaced)
        systemRemove(state.temporary.path);
    delete[] state.temporary.path;
    delete[] state.target.path;
    state.temporary.path = nullptr;
    state.target.path = nullptr;
}

} // namespace

void setFileFaultHook(FileFaultHook hook) { faultHook = hook; }

ReadFileResult readWholeFile(const char* path, uint32_t maxSize, uint8_t** data, uint32_t* size, SystemError* error)
{
    SystemError ignored;
    if (error == nullptr)
        error = &ignored;
    *error = SystemError();
    if (data == nullptr || size == nullptr)
        return ReadFileResult::CannotOpen;
    *data = nullptr;
    *size = 0;
    SystemHandle file = ClosedFile;
    uint64_t length = 0;
    if (path == nullptr || faultStrikes(FileStep::Open, error) || !systemOpenToRead(path, &file, &length, error))
        return ReadFileResult::CannotOpen;
    ReadFileResult result = ReadFileResult::Ok;
    uint8_t* buffer = nullptr;
    if (length > maxSize)
        result = ReadFileResult::TooLarge;
    else if (length > 0 && (buffer = new (std::nothrow) uint8_t[length]) == nullptr)
        result = ReadFileResult::OutOfMemory;
    else if (length > 0 && !readAll(file, buffer, static_cast<uint32_t>(length), error))
        result = ReadFileResult::CannotRead;
    systemClose(file);
    if (result != ReadFileResult::Ok) {
        delete[] buffer;
        return result;
    }
    *data = buffer;
    *size = static_cast<uint32_t>(length);
    return result;
}

void saveFiles(FileSave* files, uint32_t count)
{
    if (files == nullptr || count == 0)
        return;
    SaveState* states = new (std::nothrow) SaveState[count];
    if (states == nullptr) {
        for (uint32_t i = 0; i < count; ++i)
            files[i] = FileSave{files[i].path, files[i].data, files[i].size, false, {FileError::OutOfMemory, 0}};
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        files[i].saved = false;
        files[i].error = SystemError();
        stage(states[i], files[i]);
    }
    const bool groupSynced = syncGroup(states, count);
    for (uint32_t i = 0; i < count; ++i) {
        if (states[i].stage == SaveStage::Written)
            flush(states[i], files[i], groupSynced);
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (states[i].stage == SaveStage::Flushed)
            replace(states[i], files[i]);
    }
    syncFolders(states, count);
    for (uint32_t i = 0; i < count; ++i)
        release(states[i]);
    delete[] states;
}

bool replaceFileContents(const char* path, const uint8_t* data, uint32_t size, SystemError* error)
{
    FileSave file;
    file.path = path;
    file.data = data;
    file.size = size;
    saveFiles(&file, 1);
    if (error != nullptr)
        *error = file.error;
    return file.saved;
}

bool identifyFile(const char* path, FileIdentity* identity)
{
    return path != nullptr && identity != nullptr && systemIdentifyFile(path, identity);
}
