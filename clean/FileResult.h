// What happened to one file of a batch run, for front ends that show more than
// the report.
#pragma once

#include <cstdint>
#include <vector>

#include "clean/CleanResult.h"
#include "clean/FaceCheck.h"
#include "model/LoadFailure.h"
#include "platform/File.h"

// Cleaned and Unchanged files are cleaned; a dry run's Cleaned file is one that
// cleaning would change. The others are left as they were.
enum class FileOutcome : uint8_t {
    Cleaned,    // its cleaned form differs from its bytes, and was saved
    Unchanged,  // already clean: its cleaned form is its bytes, so nothing is written
    Unreadable, // it could not be read or parsed
    Refused,    // a face names a vertex its object does not have
    Unwritable, // its save failed
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Unreadable;
    LoadFault loadFault;                            // why the load failed, if it did
    SystemError systemError;                        // what the system said of a failed read or write
    CleanResult cleanResult = CleanResult::Cleaned; // why cleaning refused the tree, if it did
    uint32_t sizeBefore = 0;
    uint32_t sizeAfter = 0;
    uint32_t verticesBefore = 0;
    uint32_t verticesAfter = 0;
    uint32_t facesBefore = 0;
    uint32_t facesAfter = 0;
    // Faces naming vertices their object does not have: those that made the
    // cleaning refuse the file, or those a repair dropped.
    std::vector<FaceFault> badFaces;
};
