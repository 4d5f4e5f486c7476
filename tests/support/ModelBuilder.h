// The one way the tests make models: trees described as plain values, built in
// memory or laid out as plain (uncompacted) file images, and read back from a
// tree for comparison; and a raw image assembler for malformed files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "model/Format.h"
#include "model/Model.h"

using Bytes = std::vector<uint8_t>;

// A texture name held by value, or none.
struct TextureName {
    TextureName(const char* name = nullptr) : present(name != nullptr), text(name != nullptr ? name : "") {}
    bool operator==(const TextureName& other) const { return present == other.present && text == other.text; }

    bool present;
    std::string text;
};

struct FacePlan {
    uint32_t colour = 0;
    std::vector<uint16_t> indexes;
    TextureName texture = nullptr; // none: untextured
    uint32_t trailing[3] = {};
};

struct ObjectPlan {
    ObjectPlan(std::vector<Vertex> points = {}, std::vector<FacePlan> faceList = {}, int32_t selected = -1,
               std::string objectName = "part")
        : vertices(std::move(points)), faces(std::move(faceList)), selection(selected), name(std::move(objectName))
    {
    }

    std::vector<Vertex> vertices;
    std::vector<FacePlan> faces;
    int32_t selection;
    std::string name;
    std::vector<ObjectPlan> children; // the first child and its siblings
    int32_t offsetX = 0;
};

// The root and its siblings.
using TreePlan = std::vector<ObjectPlan>;

// The object with its children; its sibling is left for the caller.
ModelObject* buildObject(const ObjectPlan& plan);
// An object named name with vertices (i, 2i, -3i) for i below vertexCount.
ModelObject* namedObject(const char* name, uint32_t vertexCount = 0, const std::vector<FacePlan>& faces = {});
// What an object holds, as a plan, with its children or without them; what a
// chain of objects holds.
ObjectPlan planOf(const ModelObject& object, bool withChildren = true);
TreePlan planOf(const ModelObject* first);

bool operator==(const FacePlan& a, const FacePlan& b);
bool operator==(const ObjectPlan& a, const ObjectPlan& b);
std::ostream& operator<<(std::ostream& out, const ObjectPlan& object);

// A file image in a plain layout: each object's header, vertices, primitive
// records, index arrays, texture names and name, then its child and its sibling.
// Padded with zero bytes to at least paddedSize.
Bytes plainImage(const TreePlan& tree, size_t paddedSize = 0);
// The image the writer composes for model, or for a model of the one tree root
// (which cleaning leaves as it is when nothing in it is to be removed); empty on
// failure.
Bytes composeBytes(const Model& model);
Bytes composeBytes(const ObjectPlan& root);
// Reads bytes from a heap block of exactly their size, so the sanitizer sees any
// overread.
bool readExact(Model& model, const Bytes& bytes);
char* newString(const char* s);

// A GAF file whose entries have these names, each with no frames.
Bytes gafImage(const std::vector<std::string>& names);

// A file image assembled field by field; the add functions return where their
// data began.
struct Image {
    Bytes bytes;

    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
    void put32(uint32_t at, uint32_t value);
    uint32_t get32(uint32_t at) const;
    // A header field of the header at header.
    void putField(uint32_t header, uint32_t field, uint32_t value) { put32(header + fieldOffset(field), value); }
    uint32_t getField(uint32_t header, uint32_t field) const { return get32(header + fieldOffset(field)); }
    uint32_t add(std::initializer_list<uint32_t> words);
    uint32_t add16(std::initializer_list<uint16_t> values);
    uint32_t addString(const char* s);
    // The header of a valid empty object named at name.
    uint32_t addHeader(uint32_t name);
};
