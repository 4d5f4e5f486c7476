// The one-file safe save, the same staged steps on every system.
#include "platform/File.h"

bool replaceFileContents(const char* path, const uint8_t* data, uint32_t size)
{
    StagedFile* file = stageFileContents(path, data, size);
    if (!file)
        return false;
    bool flushed = false;
    flushStagedFiles(&file, 1, &flushed);
    bool committed = flushed && commitStagedFile(file);
    syncStagedFolders(&file, 1);
    releaseStagedFile(file);
    return committed;
}
