#include "ModelBuilders.h"

#include <cstring>
#include <memory>

#include "model/OutputBuffer.h"

uint32_t Image::add32(uint32_t value) {
    const uint32_t at = size();
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return at;
}

uint32_t Image::add16(uint16_t value) {
    const uint32_t at = size();
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    return at;
}

uint32_t Image::addString(const std::string& s) {
    const uint32_t at = size();
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
    return at;
}

uint32_t Image::addZeros(uint32_t count) {
    const uint32_t at = size();
    bytes.resize(bytes.size() + count);
    return at;
}

void Image::put32(uint32_t at, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Image::get32(uint32_t at) const {
    uint32_t value = 0;
    for (uint32_t i = 0; i < 4; ++i) value |= uint32_t(bytes.at(at + i)) << (8 * i);
    return value;
}

void putHeader(Image& image, uint32_t at, const Header& h) {
    const uint32_t fields[13] = {h.version, h.vertexCount, h.primitiveCount, h.selectionPrimitive,
                                 h.offsetX, h.offsetY, h.offsetZ, h.nameOffset, h.reservedZero,
                                 h.vertexArrayOffset, h.primitiveArrayOffset, h.siblingOffset, h.childOffset};
    for (uint32_t i = 0; i < 13; ++i) image.put32(at + 4 * i, fields[i]);
}

uint32_t addHeader(Image& image, const Header& header) {
    const uint32_t at = image.addZeros(52);
    putHeader(image, at, header);
    return at;
}

uint32_t addRecord(Image& image, const Record& r) {
    const uint32_t at = image.add32(r.colour);
    image.add32(r.indexCount);
    image.add32(r.reservedZero);
    image.add32(r.indexArrayOffset);
    image.add32(r.textureNameOffset);
    image.add32(r.trailing1);
    image.add32(r.trailing2);
    image.add32(r.trailing3);
    return at;
}

Image singleObjectImage() {
    Image image;
    Header header;
    header.nameOffset = 52;
    addHeader(image, header);
    image.addString("obj");
    return image;
}

bool readExact(Model& model, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return model.read(bytes.empty() ? nullptr : copy.get(), static_cast<uint32_t>(bytes.size()));
}

char* newString(const std::string& s) {
    char* copy = new char[s.size() + 1];
    std::memcpy(copy, s.c_str(), s.size() + 1);
    return copy;
}

ModelObject* newObject(const std::string& name) {
    ModelObject* object = new ModelObject;
    object->setName(newString(name));
    object->setVertices(new Vertex[0], 0);
    object->setPrimitives(new Primitive[0], 0);
    return object;
}

void giveVertices(ModelObject& object, uint32_t count) {
    Vertex* vertices = new Vertex[count];
    for (uint32_t i = 0; i < count; ++i) {
        vertices[i].x = static_cast<int32_t>(i);
        vertices[i].y = static_cast<int32_t>(2 * i);
        vertices[i].z = -static_cast<int32_t>(3 * i);
    }
    object.setVertices(vertices, count);
}

void givePrimitives(ModelObject& object, const std::vector<PrimitiveShape>& shapes) {
    const uint32_t count = static_cast<uint32_t>(shapes.size());
    Primitive* primitives = new Primitive[count];
    for (uint32_t i = 0; i < count; ++i) {
        const PrimitiveShape& shape = shapes[i];
        uint16_t* indexes = new uint16_t[shape.indexes.size()];
        for (size_t k = 0; k < shape.indexes.size(); ++k) indexes[k] = shape.indexes[k];
        primitives[i].setIndexes(indexes, static_cast<uint32_t>(shape.indexes.size()));
        primitives[i].setColour(shape.colour);
        if (shape.texture != nullptr) primitives[i].setTextureName(newString(shape.texture));
    }
    object.setPrimitives(primitives, count);
}

std::vector<uint8_t> composeBytes(const Model& model) {
    OutputBuffer file;
    if (!model.compose(file)) return {};
    return std::vector<uint8_t>(file.data(), file.data() + file.size());
}
