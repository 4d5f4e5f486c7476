// The report file of a batch run: created empty (replacing any file of that
// name), written in pieces, closed. Write failures are the caller's to ignore.
#pragma once

#include <cstdint>

#include "platform/File.h"

class ReportFile {
public:
    ReportFile() = default;
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Creates path for writing, truncating an existing file; false when it
    // cannot, with what the system said in error when given.
    bool create(const char* path, SystemError* error = nullptr);
    bool isOpen() const { return handle != ClosedHandle; }
    // Writes all length bytes at the end of what was written; false on failure.
    bool write(const char* data, uint32_t length);
    // False when the last written bytes could not be committed.
    bool close();

private:
    static constexpr intptr_t ClosedHandle = -1; // a POSIX descriptor or a Win32 HANDLE
    intptr_t handle = ClosedHandle;
};
