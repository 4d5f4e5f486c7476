#include "clean/ReportBuffer.h"

#include <cstring>
#include <new>

#include "clean/ReportEntry.h"
#include "model/Format.h"

ReportBuffer::~ReportBuffer()
{
    close();
    delete[] text;
}

bool ReportBuffer::create(const char* path, SystemError* error)
{
    length = 0;
    report.close();
    if (!path)
        return false;
    if (!report.create(path, error))
        return false;
    report.write(ReportOpening, static_cast<uint32_t>(std::strlen(ReportOpening)));
    return true;
}

void ReportBuffer::flush()
{
    // Report writes that fail are ignored: the files matter, the report follows.
    if (length > 0 && report.isOpen())
        report.write(text, length);
    length = 0;
}

void ReportBuffer::close()
{
    flush();
    report.close();
}

void ReportBuffer::add(char* entry)
{
    if (entry == nullptr || !report.isOpen()) {
        delete[] entry;
        return;
    }
    const uint32_t entryLength = static_cast<uint32_t>(std::strlen(entry));
    if (entryLength > capacity - length) {
        // Grown geometrically; when memory runs out, what waits is written first.
        const uint64_t wanted = uint64_t(length) + entryLength;
        uint64_t grown = capacity < 4096 ? 4096 : 2 * uint64_t(capacity);
        if (grown < wanted)
            grown = wanted;
        char* larger = grown < InvalidOffset ? new (std::nothrow) char[grown] : nullptr;
        if (larger == nullptr) {
            flush();
            report.write(entry, entryLength);
            delete[] entry;
            return;
        }
        if (length > 0)
            std::memcpy(larger, text, length);
        delete[] text;
        text = larger;
        capacity = static_cast<uint32_t>(grown);
    }
    std::memcpy(text + length, entry, entryLength);
    length += entryLength;
    delete[] entry;
}
