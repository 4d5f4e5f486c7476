#include "cli/OutcomeText.h"

#include <cstdio>

#include "clean/CleanTotals.h"

namespace {

struct NounWords {
    const char* singular;
    const char* plural;
};

// In the order of Noun.
const NounWords Nouns[] = {
    {"vertex", "vertices"}, {"face", "faces"},   {"byte", "bytes"},   {"file", "files"},       {"object", "objects"},
    {"line", "lines"},      {"model", "models"}, {"error", "errors"}, {"warning", "warnings"}, {"note", "notes"},
};
static_assert(sizeof Nouns / sizeof Nouns[0] == static_cast<size_t>(Noun::Note) + 1, "a word for every noun");

struct FailureWords {
    LoadFailure failure;
    const char* phrase;
    bool hasPlace; // found while parsing, at an offset worth naming
};

const FailureWords Failures[] = {
    {LoadFailure::None, "no failure", false},
    {LoadFailure::CannotOpen, "file cannot be opened", false},
    {LoadFailure::CannotRead, "file cannot be read", false},
    {LoadFailure::FileTooLarge, "file is too large", false},
    {LoadFailure::OutOfMemory, "out of memory", false},
    {LoadFailure::EmptyFile, "the file is empty", false},
    {LoadFailure::NotAModel, "not a 3DO model", false},
    {LoadFailure::HeaderOutside, "object header lies outside the file", true},
    {LoadFailure::BadVersion, "object header has an unknown version", true},
    {LoadFailure::BadHeaderField, "object header has an invalid count or offset", true},
    {LoadFailure::HeaderReservedNotZero, "object header has a nonzero reserved field", true},
    {LoadFailure::VertexArrayOutside, "vertex array lies outside the file", true},
    {LoadFailure::PrimitiveArrayOutside, "primitive array lies outside the file", true},
    {LoadFailure::NameOutside, "object name lies outside the file", true},
    {LoadFailure::PrimitiveReservedNotZero, "primitive has a nonzero reserved field", true},
    {LoadFailure::BadIndexCount, "primitive has an invalid index count", true},
    {LoadFailure::IndexArrayOutside, "index array lies outside the file", true},
    {LoadFailure::TextureNameOutside, "texture name lies outside the file", true},
    {LoadFailure::Cycle, "object headers form a cycle", true},
    {LoadFailure::TooDeep, "object tree is too deep", true},
    {LoadFailure::TooManyObjects, "model has too many objects", true},
    {LoadFailure::TreeTooLarge, "model needs too much memory", true},
};

} // namespace

const char* nounFor(Noun noun, uint32_t count)
{
    const NounWords& words = Nouns[static_cast<uint32_t>(noun)];
    return count == 1 ? words.singular : words.plural;
}

std::string differenceText(int32_t difference, Noun noun)
{
    return countText(magnitude(difference), noun) + (difference >= 0 ? " removed" : " added");
}

std::string countText(uint32_t count, Noun noun) { return std::to_string(count) + " " + nounFor(noun, count); }

std::string systemErrorText(const SystemError& error)
{
    switch (error.kind) {
    case FileError::None:
        break;
    case FileError::NotFound:
        return "no such file";
    case FileError::AccessDenied:
        return "permission denied";
    case FileError::ReadOnlyFile:
        return "the file is read-only";
    case FileError::ReadOnlyFileSystem:
        return "read-only file system";
    case FileError::NoSpace:
        return "no space left on device";
    case FileError::InUse:
        return "the file is in use";
    case FileError::NotAFile:
        return "not a regular file";
    case FileError::OutOfMemory:
        return "out of memory";
    case FileError::Other:
        if (error.code != 0) {
            char text[256];
            return systemErrorText(error.code, text, sizeof text);
        }
        break;
    }
    return "the system reported an error";
}

std::string loadFailureText(const LoadFault& fault, const SystemError& error)
{
    const LoadFailure failure = fault.what;
    if (failure == LoadFailure::NotAModel) {
        char version[16];
        std::snprintf(version, sizeof version, "0x%08x", fault.value);
        return std::string("not a 3DO model (header version ") + version + ")";
    }
    if ((failure == LoadFailure::CannotOpen || failure == LoadFailure::CannotRead) && error.kind != FileError::None) {
        const char* step = failure == LoadFailure::CannotOpen ? "cannot be opened" : "cannot be read";
        return std::string("the file ") + step + ": " + systemErrorText(error);
    }
    for (const FailureWords& words : Failures) {
        if (words.failure != failure)
            continue;
        std::string text = words.phrase;
        if (words.hasPlace)
            text += " (at offset " + std::to_string(fault.offset) + ")";
        return text;
    }
    return "unknown failure";
}

std::string faceText(const FaceFault& fault)
{
    return "object \"" + fault.object + "\" face " + std::to_string(fault.face);
}

std::string badIndexText(const FaceFault& fault)
{
    return "names vertex " + std::to_string(fault.index) + ", the object has "
        + countText(fault.vertexCount, Noun::Vertex);
}

std::string failureReason(const FileResult& result)
{
    if (result.outcome == FileOutcome::Unwritable)
        return systemErrorText(result.systemError) + "; the file is left as it was";
    if (result.outcome == FileOutcome::Refused && !result.badFaces.empty()) {
        const FaceFault& first = result.badFaces.front();
        std::string reason = faceText(first) + " " + badIndexText(first);
        if (result.badFaces.size() > 1)
            reason += " (and " + countText(uint32_t(result.badFaces.size() - 1), Noun::Face) + " more like it)";
        return reason + "; --repair drops such faces";
    }
    if (result.outcome == FileOutcome::Refused)
        return "a face names a vertex past its object's vertices; --repair drops such faces";
    if (result.loadFault.what != LoadFailure::None)
        return loadFailureText(result.loadFault, result.systemError);
    return "out of memory";
}

const char* outcomeWord(FileOutcome outcome, bool dryRun)
{
    switch (outcome) {
    case FileOutcome::Cleaned:
        return dryRun ? "would-change" : "cleaned";
    case FileOutcome::Unchanged:
        return dryRun ? "clean" : "unchanged";
    case FileOutcome::Unreadable:
        return "unreadable";
    case FileOutcome::Refused:
        return "refused";
    case FileOutcome::Unwritable:
        break;
    }
    return "unwritable";
}

bool isFailure(FileOutcome outcome) { return outcome != FileOutcome::Cleaned && outcome != FileOutcome::Unchanged; }
