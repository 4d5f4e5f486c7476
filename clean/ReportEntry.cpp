#include "clean/ReportEntry.h"

#include <cstring>
#include <new>

#include "clean/CleanTotals.h"

namespace {

// Fixed text, numbers and words of one cleaned entry, besides the path:
// 87 bytes of text, four numbers of up to 11 characters, the longest words and
// the terminator need at most 159 bytes; the margin keeps the bound obvious.
constexpr uint32_t EntryOverhead = 256;

// The report's own words: singular only for exactly one, and "vertexes".
struct ReportNoun {
    const char* singular;
    const char* plural;
};
constexpr ReportNoun Vertices = {"vertex", "vertexes"};
constexpr ReportNoun Faces = {"face", "faces"};
constexpr ReportNoun Bytes = {"byte", "bytes"};

// Appends to a buffer of known capacity; never writes past it, and remembers
// when something did not fit so the caller can refuse the text.
class EntryWriter {
public:
    explicit EntryWriter(uint32_t pathLength)
    {
        capacity = EntrySize;
        if (pathLength > EntrySize - EntryOverhead)
            capacity = pathLength + EntryOverhead;
        text = new (std::nothrow) char[capacity];
        if (text)
            text[0] = '\0';
    }
    ~EntryWriter() { delete[] text; }
    EntryWriter(const EntryWriter&) = delete;
    EntryWriter& operator=(const EntryWriter&) = delete;

    void append(const char* s) { appendBytes(s, static_cast<uint32_t>(std::strlen(s))); }

    void appendNumber(uint32_t value)
    {
        char digits[10];
        uint32_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        char ordered[10];
        for (uint32_t i = 0; i < count; ++i)
            ordered[i] = digits[count - 1 - i];
        appendBytes(ordered, count);
    }

    // "count word verb" of a difference, in the report's words.
    void appendDifference(int32_t d, const ReportNoun& noun)
    {
        uint32_t count = magnitude(d);
        appendNumber(count);
        append(" ");
        append(count == 1 ? noun.singular : noun.plural);
        append(d >= 0 ? " removed" : " added");
    }

    // The finished text, handed over to the caller; null when anything failed.
    char* release()
    {
        if (!text || overflow)
            return nullptr;
        char* result = text;
        text = nullptr;
        return result;
    }

private:
    void appendBytes(const char* s, uint32_t count)
    {
        if (!text || overflow)
            return;
        if (count >= capacity - length) {
            overflow = true;
            return;
        }
        std::memcpy(text + length, s, count);
        length += count;
        text[length] = '\0';
    }

    char* text = nullptr;
    uint32_t capacity = 0;
    uint32_t length = 0;
    bool overflow = false;
};

uint32_t pathLength(const char* path)
{
    size_t length = std::strlen(path);
    // A path longer than any buffer we could address is refused by overflow.
    return length > 0xFFFF0000u ? 0xFFFF0000u : static_cast<uint32_t>(length);
}

char* composeError(const char* opening, const char* path)
{
    EntryWriter entry(pathLength(path));
    entry.append(opening);
    entry.append(path);
    entry.append("\"");
    return entry.release();
}

} // namespace

char* composeReadError(const char* path) { return composeError("\r\nError reading file: \"", path); }

char* composeWriteError(const char* path) { return composeError("\r\nError writing file: \"", path); }

char* composeCleaned(const char* path, uint32_t sizeBefore, uint32_t sizeAfter, int32_t verticesRemoved,
                     int32_t facesRemoved)
{
    EntryWriter entry(pathLength(path));
    entry.append("\r\nFile cleaned: \"");
    entry.append(path);
    entry.append("\"\r\n\tOriginal file size: ");
    entry.appendNumber(sizeBefore);
    entry.append(" bytes\r\n\t");
    entry.appendDifference(verticesRemoved, Vertices);
    entry.append("\r\n\t");
    entry.appendDifference(facesRemoved, Faces);
    entry.append("\r\n\tCleaned file size: ");
    entry.appendNumber(sizeAfter);
    entry.append(" bytes");
    return entry.release();
}

char* composeTotals(const CleanTotals& totals, uint32_t pathsProcessed)
{
    EntryWriter entry(0);
    entry.append("\r\n");
    if (totals.filesCleaned < 0)
        entry.append("-");
    entry.appendNumber(magnitude(totals.filesCleaned));
    entry.append(" out of ");
    entry.appendNumber(pathsProcessed);
    entry.append(" files cleaned successfully\r\n\t");
    entry.appendDifference(totals.verticesRemoved, Vertices);
    entry.append("\r\n\t");
    entry.appendDifference(totals.facesRemoved, Faces);
    entry.append("\r\n\t");
    entry.appendDifference(totals.bytesSaved, Bytes);
    return entry.release();
}
