#include "cli/Lint.h"

#include <cstring>
#include <map>

#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "clean/FilePreparation.h"
#include "cli/JsonLines.h"
#include "cli/LowerCase.h"
#include "cli/ModTextures.h"
#include "cli/OutcomeText.h"
#include "model/Model.h"
#include "model/ObjectWalk.h"
#include "model/OutputBuffer.h"
#include "platform/File.h"

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string nameOf(const ModelObject& object) { return object.name != nullptr ? object.name : ""; }

// Collects the findings of one model.
class ModelLint {
public:
    ModelLint(const std::string& path, std::vector<Finding>& out) : file(path), findings(out) {}

    void add(const char* code, Severity severity, const std::string& message)
    {
        Finding finding;
        finding.path = file;
        finding.code = code;
        finding.severity = severity;
        finding.message = message;
        findings.push_back(finding);
    }

    void addIn(const ModelObject& object, int64_t face, const char* code, Severity severity, const std::string& message)
    {
        add(code, severity, message);
        findings.back().inObject = true;
        findings.back().object = nameOf(object);
        findings.back().face = face;
    }

    // The checks of each object, in the order the file is read.
    void checkObjects(const ModelObject* first, const TextureSet* textures)
    {
        ObjectWalk walk(first);
        while (const ModelObject* object = walk.next())
            checkObject(*object, textures);
    }

    // Objects are told apart by their place in the tree: "base/turret/torso".
    void checkNames(const ModelObject* first, std::map<std::string, std::string>& seen)
    {
        ObjectWalk walk(first);
        while (const ModelObject* object = walk.next()) {
            std::string place;
            for (uint32_t level = 0; level <= walk.depth(); ++level) {
                const std::string name = nameOf(level < walk.depth() ? *walk.ancestor(level) : *object);
                place = place.empty() ? name : place + "/" + name;
            }
            const std::string key = lowerCase(nameOf(*object));
            auto earlier = seen.find(key);
            if (earlier == seen.end())
                seen[key] = place;
            else
                addIn(*object, Finding::NoFace, "duplicate-name", Severity::Warning,
                      "the objects " + earlier->second + " and " + place
                          + " share a name (letter case aside); unit scripts address objects by name, so one "
                            "of them is unreachable");
        }
    }

private:
    void checkObject(const ModelObject& object, const TextureSet* textures)
    {
        if (object.vertexCount == 0)
            addIn(object, Finding::NoFace, "no-vertices", Severity::Warning,
                  "the object has no vertices; some engines measure every object's height and fail on it");
        const int32_t selection = object.selectionPrimitive;
        if (selection != -1 && (selection < 0 || uint32_t(selection) >= object.primitiveCount))
            addIn(object, Finding::NoFace, "selection-out-of-range", Severity::Warning,
                  "the selection face " + std::to_string(selection) + " is not one of the object's "
                      + countText(object.primitiveCount, Noun::Face));
        std::map<std::string, uint32_t> missing; // texture in lower case: faces that use it
        for (uint32_t p = 0; p < object.primitiveCount; ++p) {
            const Primitive& face = object.primitives[p];
            uint32_t index = 0;
            if (findBadIndex(face, object.vertexCount, &index)) {
                const FaceFault fault{nameOf(object), p, index, object.vertexCount, face.indexCount};
                addIn(object, p, "bad-index", Severity::Error,
                      badIndexText(fault) + "; cleaning refuses the file: scour --repair drops such faces");
            }
            const uint32_t colour = face.colourWord;
            if (face.textureName == nullptr && colour >= ColourCount)
                addIn(object, p, "colour-out-of-range", Severity::Warning,
                      "the colour word " + std::to_string(colour) + " is past the palette; cleaning stores colour "
                          + std::to_string(face.paletteIndex()));
            // A GAF file that cannot be read is one error of its own, not one per face.
            if (textures == nullptr || !textures->unreadable.empty() || face.textureName == nullptr
                || textures->holds(face.textureName))
                continue;
            if (missing[lowerCase(face.textureName)]++ > 0)
                continue;
            addIn(object, p, "missing-texture", Severity::Error,
                  "the texture " + quoted(face.textureName) + " is not among the mod's textures");
            findings.back().aboutTexture = true;
            findings.back().texture = face.textureName;
        }
    }

    std::string file;
    std::vector<Finding>& findings;
};

} // namespace

const FindingCode FindingCodes[] = {
    {"unreadable", Severity::Error, "the reader refuses the file"},
    {"bad-index", Severity::Error,
     "a face names a vertex its object does not have, so\ncleaning refuses the file; --repair drops such faces"},
    {"missing-texture", Severity::Error, "a face's texture is not among the mod's textures"},
    {"unreadable-textures", Severity::Error, "a GAF file of the mod cannot be read"},
    {"selection-out-of-range", Severity::Warning, "the selection face is not one of the object's"},
    {"colour-out-of-range", Severity::Warning, "an untextured face's colour word is 256 or more"},
    {"no-vertices", Severity::Warning, "an object without vertices"},
    {"several-roots", Severity::Warning, "the root object has siblings"},
    {"duplicate-name", Severity::Warning, "two objects share a name"},
    {"would-change", Severity::Note, "cleaning with the default colours would change it"},
    {"no-textures", Severity::Note, "no mod root was found, texture findings skipped"},
};
const size_t FindingCodeCount = sizeof FindingCodes / sizeof FindingCodes[0];

const char* severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Note:
        break;
    }
    return "note";
}

void lintModel(const std::string& path, const TextureSet* textures, std::vector<Finding>& findings)
{
    ModelLint lint(path, findings);
    Model model;
    uint8_t* image = nullptr;
    if (!model.load(path.c_str(), &image)) {
        lint.add("unreadable", Severity::Error, loadFailureText(model.fault, model.systemError));
        return;
    }
    const uint32_t size = model.loadedSize;
    if (model.root->sibling != nullptr) {
        uint32_t siblings = 0;
        for (const ModelObject* object = model.root->sibling; object != nullptr; object = object->sibling)
            ++siblings;
        lint.addIn(*model.root, Finding::NoFace, "several-roots", Severity::Warning,
                   "the root object has " + std::to_string(siblings) + (siblings == 1 ? " sibling" : " siblings")
                       + "; engines expect one root");
    }
    lint.checkObjects(model.root, textures);
    std::map<std::string, std::string> seen; // by the name in lower case: the first object's place
    lint.checkNames(model.root, seen);
    // Cleaning with the default colour map would change the file: the test of --check.
    OutputBuffer composed;
    if (cleanAndCompare(model, ColourMap(), image, size, composed) == CleaningChange::Changed)
        lint.add("would-change", Severity::Note, "cleaning with the default colours would change the file");
    delete[] image;
}

std::string findingLine(const Finding& finding)
{
    std::string line = finding.path + ": ";
    if (finding.inObject) {
        line += "object " + quoted(finding.object);
        if (finding.face != Finding::NoFace)
            line += " face " + std::to_string(finding.face);
        line += ": ";
    }
    return line + severityName(finding.severity) + ": " + finding.message + " [" + finding.code + "]";
}

std::string findingJson(const Finding& finding)
{
    std::string line = "{\"path\": " + jsonString(finding.path.c_str()) + ", \"code\": \"" + finding.code
        + "\", \"severity\": \"" + severityName(finding.severity) + "\"";
    if (finding.inObject)
        line += ", \"object\": " + jsonString(finding.object.c_str());
    if (finding.face != Finding::NoFace)
        line += ", \"face\": " + std::to_string(finding.face);
    if (finding.aboutTexture)
        line += ", \"texture\": " + jsonString(finding.texture.c_str());
    return line + ", \"message\": " + jsonString(finding.message.c_str()) + "}";
}
