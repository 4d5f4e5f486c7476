#include "support/ModelBuilder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "model/LittleEndian.h"
#include "model/OutputBuffer.h"

ModelObject* buildObject(const ObjectPlan& plan)
{
    ModelObject* object = new ModelObject;
    object->setVertices(new Vertex[plan.vertices.size()], uint32_t(plan.vertices.size()));
    std::copy(plan.vertices.begin(), plan.vertices.end(), object->vertices);
    object->setPrimitives(new Primitive[plan.faces.size()], uint32_t(plan.faces.size()));
    for (size_t p = 0; p < plan.faces.size(); ++p) {
        const FacePlan& face = plan.faces[p];
        Primitive& primitive = object->primitives[p];
        primitive.colourWord = face.colour;
        primitive.setIndexes(new uint16_t[face.indexes.size()], uint32_t(face.indexes.size()));
        std::copy(face.indexes.begin(), face.indexes.end(), primitive.indexes);
        if (face.texture.present)
            primitive.setTextureName(newString(face.texture.text.c_str()));
        primitive.trailing1 = face.trailing[0];
        primitive.trailing2 = face.trailing[1];
        primitive.trailing3 = face.trailing[2];
    }
    object->selectionPrimitive = plan.selection;
    object->offsetX = plan.offsetX;
    object->setName(newString(plan.name.c_str()));
    ModelObject** link = &object->child;
    for (const ObjectPlan& child : plan.children) {
        *link = buildObject(child);
        link = &(*link)->sibling;
    }
    return object;
}

ModelObject* namedObject(const char* name, uint32_t vertexCount, const std::vector<FacePlan>& faces)
{
    ObjectPlan plan({}, faces, -1, name);
    for (int32_t i = 0; i < int32_t(vertexCount); ++i)
        plan.vertices.push_back(Vertex{i, 2 * i, -3 * i});
    return buildObject(plan);
}

ObjectPlan planOf(const ModelObject& object, bool withChildren)
{
    ObjectPlan plan;
    plan.vertices.assign(object.vertices, object.vertices + object.vertexCount);
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        const Primitive& primitive = object.primitives[p];
        FacePlan face;
        face.colour = primitive.paletteIndex();
        face.indexes.assign(primitive.indexes, primitive.indexes + primitive.indexCount);
        face.texture = primitive.textureName;
        face.trailing[0] = primitive.trailing1;
        face.trailing[1] = primitive.trailing2;
        face.trailing[2] = primitive.trailing3;
        plan.faces.push_back(face);
    }
    plan.selection = object.selectionPrimitive;
    plan.name = object.name != nullptr ? object.name : "";
    if (withChildren)
        plan.children = planOf(object.child);
    plan.offsetX = object.offsetX;
    return plan;
}

TreePlan planOf(const ModelObject* first)
{
    TreePlan tree;
    for (const ModelObject* object = first; object != nullptr; object = object->sibling)
        tree.push_back(planOf(*object));
    return tree;
}

bool operator==(const FacePlan& a, const FacePlan& b)
{
    return a.colour == b.colour && a.indexes == b.indexes && a.texture == b.texture
        && std::equal(a.trailing, a.trailing + 3, b.trailing);
}

bool operator==(const ObjectPlan& a, const ObjectPlan& b)
{
    auto sameVertex = [](const Vertex& v, const Vertex& w) { return v.equals(w); };
    return std::equal(a.vertices.begin(), a.vertices.end(), b.vertices.begin(), b.vertices.end(), sameVertex)
        && a.faces == b.faces && a.selection == b.selection && a.name == b.name && a.children == b.children
        && a.offsetX == b.offsetX;
}

std::ostream& operator<<(std::ostream& out, const ObjectPlan& object)
{
    out << "{'" << object.name << "' s" << object.selection << " v";
    for (const Vertex& v : object.vertices)
        out << ' ' << v.x << ',' << v.y << ',' << v.z;
    out << " p";
    for (const FacePlan& face : object.faces) {
        out << ' ' << face.colour << ':' << testing::PrintToString(face.indexes);
        out << (face.texture.present ? "/" + face.texture.text : "") << '#' << face.trailing[0] << ','
            << face.trailing[1] << ',' << face.trailing[2];
    }
    for (const ObjectPlan& child : object.children)
        out << ' ' << child;
    return out << '}';
}

namespace {

// Appends level[index] with its children and the siblings after it; the
// position of its header.
uint32_t appendObject(Image& image, const TreePlan& level, size_t index)
{
    const ObjectPlan& object = level[index];
    const uint32_t header = image.addHeader(0);
    image.putField(header, HeaderField::VertexCount, uint32_t(object.vertices.size()));
    image.putField(header, HeaderField::PrimitiveCount, uint32_t(object.faces.size()));
    image.putField(header, HeaderField::SelectionPrimitive, uint32_t(object.selection));
    image.putField(header, HeaderField::OffsetX, uint32_t(object.offsetX));
    if (!object.vertices.empty())
        image.putField(header, HeaderField::VertexArrayOffset, image.size());
    for (const Vertex& v : object.vertices)
        image.add({uint32_t(v.x), uint32_t(v.y), uint32_t(v.z)});
    const uint32_t records = image.size();
    if (!object.faces.empty())
        image.putField(header, HeaderField::PrimitiveArrayOffset, records);
    for (const FacePlan& face : object.faces)
        image.add({face.colour, uint32_t(face.indexes.size()), 0, 0, 0, face.trailing[0], face.trailing[1],
                   face.trailing[2]});
    for (size_t f = 0; f < object.faces.size(); ++f) {
        const FacePlan& face = object.faces[f];
        const uint32_t record = records + PrimitiveRecordSize * uint32_t(f);
        image.put32(record + fieldOffset(PrimitiveField::IndexArrayOffset), image.size());
        for (uint16_t v : face.indexes)
            image.add16({v});
        if (face.texture.present)
            image.put32(record + fieldOffset(PrimitiveField::TextureNameOffset),
                        image.addString(face.texture.text.c_str()));
    }
    image.putField(header, HeaderField::NameOffset, image.addString(object.name.c_str()));
    if (!object.children.empty())
        image.putField(header, HeaderField::ChildOffset, appendObject(image, object.children, 0));
    if (index + 1 < level.size())
        image.putField(header, HeaderField::SiblingOffset, appendObject(image, level, index + 1));
    return header;
}

} // namespace

Bytes plainImage(const TreePlan& tree, size_t paddedSize)
{
    Image image;
    if (!tree.empty())
        appendObject(image, tree, 0);
    if (image.bytes.size() < paddedSize)
        image.bytes.resize(paddedSize, 0);
    return image.bytes;
}

Bytes composeBytes(const Model& model)
{
    OutputBuffer file;
    if (!model.compose(file))
        return {};
    return Bytes(file.data(), file.data() + file.size());
}

Bytes composeBytes(const ObjectPlan& root)
{
    Model model;
    model.root = buildObject(root);
    return composeBytes(model);
}

bool readExact(Model& model, const Bytes& bytes)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return model.read(bytes.empty() ? nullptr : copy.get(), static_cast<uint32_t>(bytes.size()));
}

char* newString(const char* s) { return std::strcpy(new char[std::strlen(s) + 1], s); }

void Image::put32(uint32_t at, uint32_t value) { storeLittle32(&bytes.at(at + 3) - 3, value); }

uint32_t Image::get32(uint32_t at) const { return loadLittle32(&bytes.at(at + 3) - 3); }

uint32_t Image::add(std::initializer_list<uint32_t> words)
{
    const uint32_t at = size();
    bytes.resize(bytes.size() + FieldSize * words.size());
    uint32_t i = 0;
    for (uint32_t word : words)
        put32(at + FieldSize * i++, word);
    return at;
}

uint32_t Image::add16(std::initializer_list<uint16_t> values)
{
    const uint32_t at = size();
    for (uint16_t v : values)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    return at;
}

uint32_t Image::addString(const char* s)
{
    const uint32_t at = size();
    bytes.insert(bytes.end(), s, s + std::strlen(s) + 1);
    return at;
}

uint32_t Image::addHeader(uint32_t name) { return add({1, 0, 0, 0xFFFFFFFFu, 0, 0, 0, name, 0, 0, 0, 0, 0}); }

Bytes gafImage(const std::vector<std::string>& names)
{
    Image image;
    image.add({0x00010100u, uint32_t(names.size()), 0});
    const uint32_t offsets = image.size();
    image.bytes.resize(image.size() + FieldSize * names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        image.put32(offsets + FieldSize * uint32_t(i), image.size());
        image.add({0, 0}); // no frames, then two fields the lint does not read
        std::string name = names[i].substr(0, 32);
        name.resize(32, '\0');
        image.bytes.insert(image.bytes.end(), name.begin(), name.end());
    }
    return image.bytes;
}
