// What the game's engines will trip over in a model, per model, object and face:
// the findings of scour lint, each with a stable code and a severity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TextureSet;

enum class Severity : uint8_t { Error, Warning, Note };

struct Finding {
    std::string path;
    const char* code = "";
    Severity severity = Severity::Note;
    std::string message;
    bool inObject = false; // object (and face, when it is not NoFace) tell where
    std::string object;
    int64_t face = NoFace;
    bool aboutTexture = false;
    std::string texture; // as the model stores it

    static constexpr int64_t NoFace = -1;
};

// Every code lint gives, with its severity and what it means.
struct FindingCode {
    const char* code;
    Severity severity;
    const char* meaning;
};
extern const FindingCode FindingCodes[];
extern const size_t FindingCodeCount;

// "error", "warning", "note".
const char* severityName(Severity severity);

// Every finding of the model at path; textures, when given, are the mod's.
void lintModel(const std::string& path, const TextureSet* textures, std::vector<Finding>& findings);

// PATH: object "torso" face 12: error: names vertex 40, the object has 36 vertices [bad-index]
std::string findingLine(const Finding& finding);
// One JSON object with the finding's fields.
std::string findingJson(const Finding& finding);
