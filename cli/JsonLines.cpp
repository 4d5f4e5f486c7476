#include "cli/JsonLines.h"

#include <cstdio>

#include "cli/OutcomeText.h"

namespace {

// The length of the UTF-8 sequence at text, or 0 when it is not one.
size_t utf8Length(const unsigned char* text)
{
    unsigned char lead = text[0];
    if (lead < 0xC2 || lead > 0xF4)
        return 0;
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    // A terminator fails this test too, so nothing past the string is read.
    for (size_t k = 1; k < length; ++k) {
        if ((text[k] & 0xC0) != 0x80)
            return 0;
    }
    // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
    if ((lead == 0xE0 && text[1] < 0xA0) || (lead == 0xED && text[1] >= 0xA0) || (lead == 0xF0 && text[1] < 0x90)
        || (lead == 0xF4 && text[1] >= 0x90))
        return 0;
    return length;
}

void appendEscape(std::string& out, unsigned int code)
{
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", code);
    out += escape;
}

void appendNumber(std::string& out, const char* name, int64_t value)
{
    out += ", \"";
    out += name;
    out += "\": ";
    out += std::to_string(value);
}

} // namespace

std::string jsonString(const char* text)
{
    std::string out = "\"";
    const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
    while (*at != 0) {
        unsigned char c = *at;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            appendEscape(out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (size_t length = utf8Length(at); length != 0) {
            out.append(reinterpret_cast<const char*>(at), length);
            at += length;
            continue;
        } else {
            appendEscape(out, c);
        }
        ++at;
    }
    return out + "\"";
}

// "name": [{"object": ..., "face": ..., "index": ..., "vertexCount": ...}, ...]
static void appendFaces(std::string& out, const char* name, const std::vector<FaceFault>& faces)
{
    out += std::string(", \"") + name + "\": [";
    for (size_t i = 0; i < faces.size(); ++i) {
        out += i == 0 ? "{\"object\": " : ", {\"object\": ";
        out += jsonString(faces[i].object.c_str());
        appendNumber(out, "face", faces[i].face);
        appendNumber(out, "index", faces[i].index);
        appendNumber(out, "vertexCount", faces[i].vertexCount);
        out += "}";
    }
    out += "]";
}

std::string jsonFileLine(const char* path, const FileResult& result, bool dryRun)
{
    std::string line =
        "{\"path\": " + jsonString(path) + ", \"outcome\": \"" + outcomeWord(result.outcome, dryRun) + "\"";
    if (!isFailure(result.outcome)) {
        appendNumber(line, "sizeBefore", result.sizeBefore);
        appendNumber(line, "sizeAfter", result.sizeAfter);
        appendNumber(line, "verticesBefore", result.verticesBefore);
        appendNumber(line, "verticesAfter", result.verticesAfter);
        appendNumber(line, "facesBefore", result.facesBefore);
        appendNumber(line, "facesAfter", result.facesAfter);
        if (!result.badFaces.empty())
            appendFaces(line, "droppedFaces", result.badFaces);
    } else {
        line += ", \"error\": " + jsonString(failureReason(result).c_str());
        if (!result.badFaces.empty())
            appendFaces(line, "badFaces", result.badFaces);
    }
    return line + "}";
}

std::string jsonTotalsLine(const CleanTotals& totals, uint32_t files, bool dryRun, const uint32_t outcomes[])
{
    std::string line = "{\"totals\": {\"files\": " + std::to_string(files);
    appendNumber(line, "filesCleaned", totals.filesCleaned);
    appendNumber(line, "bytesSaved", totals.bytesSaved);
    appendNumber(line, "verticesRemoved", totals.verticesRemoved);
    appendNumber(line, "facesRemoved", totals.facesRemoved);
    line += ", \"outcomes\": {";
    const FileOutcome shown[] = {FileOutcome::Cleaned, FileOutcome::Unchanged, FileOutcome::Unreadable,
                                 FileOutcome::Refused, FileOutcome::Unwritable};
    for (FileOutcome outcome : shown) {
        if (dryRun && outcome == FileOutcome::Unwritable)
            continue;
        line += outcome == FileOutcome::Cleaned ? "\"" : ", \"";
        line += outcomeWord(outcome, dryRun);
        line += "\": " + std::to_string(outcomes[uint32_t(outcome)]);
    }
    return line + "}}}";
}
