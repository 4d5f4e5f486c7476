#include "clean/GroupSave.h"

#include "platform/File.h"

bool awaitsSave(const PreparedFile& file, CleanMode mode)
{
    return mode == CleanMode::Save && file.image != nullptr && file.result.outcome == FileOutcome::Cleaned;
}

void saveGroup(PreparedFile* group, uint32_t count, CleanMode mode)
{
    FileSave saves[GroupFiles];
    uint32_t saveCount = 0;
    for (uint32_t i = 0; i < count && saveCount < GroupFiles; ++i) {
        if (!awaitsSave(group[i], mode))
            continue;
        FileSave& save = saves[saveCount++];
        save.path = group[i].path;
        save.data = group[i].image;
        save.size = group[i].result.sizeAfter;
    }
    saveFiles(saves, saveCount);

    uint32_t next = 0;
    for (uint32_t i = 0; i < count && next < saveCount; ++i) {
        if (!awaitsSave(group[i], mode))
            continue;
        const FileSave& save = saves[next++];
        if (!save.saved)
            markWriteError(group[i].result, save.error);
    }
}
