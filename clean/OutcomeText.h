// What a file's outcome is called, in every output: the report's fixed words,
// the command line's lines, JSON, info and lint. Reasons, differences and plurals
// are worded here and nowhere else.
#pragma once

#include <cstdint>
#include <string>

#include "clean/FileResult.h"

enum class Noun : uint8_t { Vertex, Face, Byte, File, Object, Line, Model, Error, Warning, Note };

// The report keeps its own words ("vertexes"); the command line's lines say
// "vertices".
enum class Wording : uint8_t { Report, Plain };

// The noun for count things: singular only for exactly one.
const char* nounFor(Noun noun, uint32_t count, Wording wording);
// "removed" for a difference (before - after) of 0 and above, else "added".
const char* differenceVerb(int32_t difference);
// "3 vertexes removed", "1 face added": the magnitude, the noun and the verb.
std::string differenceText(int32_t difference, Noun noun, Wording wording);
// "1 vertex", "2 vertices".
std::string countText(uint32_t count, Noun noun, Wording wording);

// "permission denied", "no space left on device": what the system said.
std::string systemErrorText(const SystemError& error);
// "object header lies outside the file (at offset 52)", "the file is empty",
// "not a 3DO model (header version 0x20202001)": what was wrong, and where when
// the place says something.
std::string loadFailureText(LoadFailure failure, uint32_t offset, uint32_t value, const SystemError& error);
// object "torso" face 12
std::string faceText(const FaceFault& fault);
// "names vertex 40, the object has 36 vertices"
std::string badIndexText(const FaceFault& fault);
// Why a file was not cleaned, for its line: "cannot read: ...", "cannot write:
// ...; the file is unchanged", "cannot clean: ...".
std::string failureReason(const FileResult& result);
// "cleaned", "read-error", "write-error".
const char* outcomeName(FileOutcome outcome);
