// The report of a run and the entries that wait to be written to it: a group's
// entries go out with one write call.
#pragma once

#include <cstdint>

#include "platform/GrowableArray.h"
#include "platform/ReportFile.h"

class ReportBuffer {
public:
    ReportBuffer() = default;
    // Writes what waits and closes the report.
    ~ReportBuffer();
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

    // Drops what waits, then creates the report at path (replacing any file
    // there) and writes its opening. False when it cannot be created, with what
    // the system said in error when given.
    bool create(const char* path, SystemError* error = nullptr);
    bool isOpen() const { return report.isOpen(); }
    // Appends entry (a new[]'d text, released here; null is none) to what waits.
    void add(char* entry);
    // Writes what waits, with one write call.
    void flush();
    // Writes what waits and closes the report.
    void close();

private:
    ReportFile report;
    GrowableArray<char> text; // entries not yet written to the report
};
