// What the command line calls things, in its lines, JSON, info and lint: the
// outcome of each file, reasons, differences and plurals are worded here and
// nowhere else. The report keeps its own fixed words.
#pragma once

#include <cstdint>
#include <string>

#include "clean/FileResult.h"

enum class Noun : uint8_t { Vertex, Face, Byte, File, Object, Line, Model, Error, Warning, Note };

// The noun for count things: singular only for exactly one.
const char* nounFor(Noun noun, uint32_t count);
// "3 vertices removed", "1 face added": the magnitude, the noun and the verb of
// a difference (before - after).
std::string differenceText(int32_t difference, Noun noun);
// "1 vertex", "2 vertices".
std::string countText(uint32_t count, Noun noun);

// "permission denied", "no space left on device": what the system said.
std::string systemErrorText(const SystemError& error);
// "object header lies outside the file (at offset 52)", "the file is empty",
// "not a 3DO model (header version 0x20202001)": what was wrong, and where when
// the place says something.
std::string loadFailureText(const LoadFault& fault, const SystemError& error);
// object "torso" face 12
std::string faceText(const FaceFault& fault);
// "names vertex 40, the object has 36 vertices"
std::string badIndexText(const FaceFault& fault);
// Why a file was not cleaned: what the reader found, the first face that made
// the cleaning refuse it, or what the system said of its save.
std::string failureReason(const FileResult& result);
// The outcome's one word, the same in every output: "cleaned", "unchanged",
// "unreadable", "refused", "unwritable"; in a dry run or check a file that
// cleans is "would-change" or "clean".
const char* outcomeWord(FileOutcome outcome, bool dryRun);
// True for the outcomes of a file that could not be cleaned.
bool isFailure(FileOutcome outcome);
