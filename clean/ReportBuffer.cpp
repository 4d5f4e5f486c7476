#include "clean/ReportBuffer.h"

#include <cstring>

#include "clean/ReportEntry.h"

ReportBuffer::~ReportBuffer() { close(); }

bool ReportBuffer::create(const char* path, SystemError* error)
{
    text.clear();
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
    if (text.size() > 0 && report.isOpen())
        report.write(text.data(), text.size());
    text.clear();
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
    // When memory runs out, what waits is written first.
    if (!text.append(entry, entryLength, 4096)) {
        flush();
        report.write(entry, entryLength);
    }
    delete[] entry;
}
