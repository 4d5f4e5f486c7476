#include "ModelImage.h"

#include "support/TestSupport.h"

namespace {

void put32(std::vector<uint8_t>& image, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + size_t(i)] = uint8_t(value >> (8 * i));
}

uint32_t appendString(std::vector<uint8_t>& image, const std::string& text)
{
    uint32_t at = uint32_t(image.size());
    image.insert(image.end(), text.begin(), text.end());
    image.push_back(0);
    return at;
}

// Appends the object at the end of the image, its child and its following
// siblings; the position of its header.
uint32_t appendObject(std::vector<uint8_t>& image, const std::vector<ObjectPlan>& level, size_t index)
{
    const ObjectPlan& object = level[index];
    uint32_t header = uint32_t(image.size());
    image.resize(image.size() + 52);
    uint32_t vertexCount = uint32_t(object.vertices.size() / 3);
    uint32_t faceCount = uint32_t(object.faces.size());
    put32(image, header + 0, 1);
    put32(image, header + 4, vertexCount);
    put32(image, header + 8, faceCount);
    put32(image, header + 12, 0xFFFFFFFF); // no selection primitive

    uint32_t vertexArray = vertexCount ? uint32_t(image.size()) : 0;
    image.resize(image.size() + 4 * object.vertices.size());
    for (size_t i = 0; i < object.vertices.size(); ++i)
        put32(image, vertexArray + 4 * i, uint32_t(object.vertices[i]));
    uint32_t faceArray = faceCount ? uint32_t(image.size()) : 0;
    image.resize(image.size() + 32 * size_t(faceCount));
    for (uint32_t f = 0; f < faceCount; ++f) {
        const FacePlan& face = object.faces[f];
        size_t record = faceArray + 32 * size_t(f);
        uint32_t indexArray = uint32_t(image.size());
        for (uint16_t v : face.indexes) {
            image.push_back(uint8_t(v));
            image.push_back(uint8_t(v >> 8));
        }
        put32(image, record + 0, face.colour);
        put32(image, record + 4, uint32_t(face.indexes.size()));
        put32(image, record + 12, indexArray);
    }
    put32(image, header + 28, appendString(image, object.name));
    put32(image, header + 36, vertexArray);
    put32(image, header + 40, faceArray);
    if (!object.children.empty())
        put32(image, header + 48, appendObject(image, object.children, 0));
    if (index + 1 < level.size())
        put32(image, header + 44, appendObject(image, level, index + 1));
    return header;
}

} // namespace

std::vector<uint8_t> buildModelImage(const ObjectPlan& root, size_t paddedSize)
{
    std::vector<uint8_t> image;
    std::vector<ObjectPlan> level{root};
    appendObject(image, level, 0);
    if (image.size() < paddedSize)
        image.resize(paddedSize, 0);
    return image;
}

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
