#include "ModelObject.h"

#include <cstring>
#include <new>

#include "BlobDictionary.h"
#include "BufferReaders.h"
#include "Format.h"
#include "OutputBuffer.h"
#include "ReadContext.h"
#include "Writers.h"

// Deletes a chain of objects and everything below it without recursion: a
// child is rotated up into the sibling chain, so every node is deleted with
// no child and no sibling left to release.
static void releaseChain(ModelObject* node)
{
    while (node != nullptr) {
        ModelObject* first = node->child;
        if (first != nullptr) {
            node->child = first->sibling;
            first->sibling = node;
            node = first;
            continue;
        }
        ModelObject* next = node->sibling;
        node->sibling = nullptr;
        delete node;
        node = next;
    }
}

ModelObject::~ModelObject()
{
    releaseChain(child);
    child = nullptr;
    releaseChain(sibling);
    sibling = nullptr;
    delete[] vertices;
    vertices = nullptr;
    delete[] primitives;
    primitives = nullptr;
    delete[] name;
    name = nullptr;
}

void ModelObject::setVertices(Vertex* array, uint32_t count)
{
    delete[] vertices;
    vertices = array;
    vertexCount = count;
}

void ModelObject::setPrimitives(Primitive* array, uint32_t count)
{
    delete[] primitives;
    primitives = array;
    primitiveCount = count;
}

void ModelObject::setName(char* newName)
{
    delete[] name;
    name = newName;
}

// Reads one object's header, arrays and name; its links go to siblingOffset and
// childOffset for the caller to follow.
static bool readObject(ModelObject& object, const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context,
                       uint32_t* siblingOffset, uint32_t* childOffset)
{
    if (offset > size || size - offset < ObjectHeaderSize)
        return context.fail(LoadFailure::HeaderOutside, offset);
    uint32_t field[13];
    for (uint32_t i = 0; i < 13; ++i)
        field[i] = readField(buffer, size, offset + 4 * i);

    // The counts go in only with their arrays, so an object that fails half way
    // still has arrays and counts that agree.
    object.version = field[0];
    object.selectionPrimitive = static_cast<int32_t>(field[3]);
    object.offsetX = static_cast<int32_t>(field[4]);
    object.offsetY = static_cast<int32_t>(field[5]);
    object.offsetZ = static_cast<int32_t>(field[6]);
    object.reservedZero = field[8];
    const uint32_t vertexCount = field[1];
    const uint32_t primitiveCount = field[2];
    const uint32_t nameOffset = field[7];
    const uint32_t vertexArrayOffset = field[9];
    const uint32_t primitiveArrayOffset = field[10];
    *siblingOffset = field[11];
    *childOffset = field[12];

    if (object.version != 1)
        return context.fail(LoadFailure::BadVersion, offset);
    const uint32_t checked[] = {1, 2, 7};
    for (uint32_t i : checked) {
        if (field[i] == InvalidOffset)
            return context.fail(LoadFailure::BadHeaderField, offset + 4 * i);
    }
    if (object.reservedZero != 0)
        return context.fail(LoadFailure::HeaderReservedNotZero, offset + 32);
    for (uint32_t i = 9; i < 13; ++i) {
        if (field[i] == InvalidOffset)
            return context.fail(LoadFailure::BadHeaderField, offset + 4 * i);
    }

    Vertex* vertices = readVertexArray(buffer, size, vertexArrayOffset, vertexCount, context);
    if (vertices == nullptr)
        return context.fail(LoadFailure::VertexArrayOutside, offset + 36);
    object.setVertices(vertices, vertexCount);
    Primitive* primitives = readPrimitiveArray(buffer, size, primitiveArrayOffset, primitiveCount, context);
    if (primitives == nullptr)
        return context.fail(LoadFailure::PrimitiveArrayOutside, offset + 40);
    object.setPrimitives(primitives, primitiveCount);
    object.setName(readString(buffer, size, nameOffset, context));
    if (object.name == nullptr)
        return context.fail(LoadFailure::NameOutside, offset + 28);
    return true;
}

// A new object charged to the load's budget, or null with the reason recorded.
static ModelObject* newObject(ReadContext& context, uint32_t offset)
{
    if (!context.take(sizeof(ModelObject)))
        return nullptr;
    ModelObject* object = new (std::nothrow) ModelObject;
    if (object == nullptr)
        context.fail(LoadFailure::OutOfMemory, offset);
    return object;
}

bool ModelObject::read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    // The sibling chain is walked in a loop and only child links recurse, so the
    // stack grows with the depth of the tree, which the context bounds.
    uint32_t entered = 0;
    bool ok = true;
    ModelObject* object = this;
    uint32_t at = offset;
    while (ok) {
        ok = context.enter(at);
        if (!ok)
            break;
        ++entered;
        uint32_t siblingOffset = 0;
        uint32_t childOffset = 0;
        ok = readObject(*object, buffer, size, at, context, &siblingOffset, &childOffset);
        if (!ok)
            break;
        if (childOffset != 0) {
            if (context.depth >= MaxObjectDepth) {
                ok = context.fail(LoadFailure::TooDeep, childOffset);
                break;
            }
            object->child = newObject(context, childOffset);
            ok = object->child != nullptr;
            if (!ok)
                break;
            ++context.depth;
            ok = object->child->read(buffer, size, childOffset, context);
            --context.depth;
            if (!ok)
                break;
        }
        if (siblingOffset == 0)
            break;
        object->sibling = newObject(context, siblingOffset);
        ok = object->sibling != nullptr;
        object = object->sibling;
        at = siblingOffset;
    }
    context.leave(entered);
    return ok;
}

uint32_t ModelObject::countVertices() const
{
    uint32_t total = 0;
    for (const ModelObject* object = this; object != nullptr; object = object->sibling) {
        total += object->vertexCount;
        if (object->child != nullptr)
            total += object->child->countVertices();
    }
    return total;
}

uint32_t ModelObject::countPrimitives() const
{
    uint32_t total = 0;
    for (const ModelObject* object = this; object != nullptr; object = object->sibling) {
        total += object->primitiveCount;
        if (object->child != nullptr)
            total += object->child->countPrimitives();
    }
    return total;
}

uint32_t ModelObject::writeTextureNames(OutputBuffer& file, BlobDictionary& textureOffsets) const
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    for (const ModelObject* object = this; object != nullptr; object = object->sibling) {
        for (uint32_t i = 0; i < object->primitiveCount; ++i) {
            const char* textureName = object->primitives[i].getTextureName();
            if (textureName == nullptr)
                continue;
            const size_t keyLength = std::strlen(textureName) + 1;
            if (keyLength >= InvalidOffset)
                return InvalidOffset;
            if (textureOffsets.contains(textureName, static_cast<uint32_t>(keyLength)))
                continue;
            const uint32_t at = writeString(file, textureName);
            if (at == InvalidOffset)
                return InvalidOffset;
            if (!textureOffsets.insert(textureName, static_cast<uint32_t>(keyLength), &at, 4))
                return InvalidOffset;
        }
        if (object->child == nullptr)
            continue;
        if (object->child->writeTextureNames(file, textureOffsets) == InvalidOffset)
            return InvalidOffset;
    }
    return start;
}

// Where writeObjectPieces left the placeholders of the links.
struct LinkFields {
    uint32_t sibling = InvalidOffset;
    uint32_t child = InvalidOffset;
};

// Writes one object's header (with placeholders), the texture-name block for the
// root, its index arrays, vertices, primitives and name; the header's position.
static uint32_t writeObjectPieces(const ModelObject& object, OutputBuffer& file, BlobDictionary& textureOffsets,
                                  bool isRoot, LinkFields& links)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    const uint32_t values[7] = {object.version,
                                object.vertexCount,
                                object.primitiveCount,
                                static_cast<uint32_t>(object.selectionPrimitive),
                                static_cast<uint32_t>(object.offsetX),
                                static_cast<uint32_t>(object.offsetY),
                                static_cast<uint32_t>(object.offsetZ)};
    for (uint32_t value : values) {
        if (writeField(file, value) == InvalidOffset)
            return InvalidOffset;
    }
    const uint32_t nameField = writeField(file, 0);
    if (nameField == InvalidOffset || writeField(file, object.reservedZero) == InvalidOffset)
        return InvalidOffset;
    const uint32_t vertexField = writeField(file, 0);
    const uint32_t primitiveField = vertexField == InvalidOffset ? InvalidOffset : writeField(file, 0);
    links.sibling = primitiveField == InvalidOffset ? InvalidOffset : writeField(file, 0);
    links.child = links.sibling == InvalidOffset ? InvalidOffset : writeField(file, 0);
    if (links.child == InvalidOffset)
        return InvalidOffset;

    if (isRoot && object.writeTextureNames(file, textureOffsets) == InvalidOffset)
        return InvalidOffset;

    BlobDictionary indexArrayOffsets;
    for (uint32_t i = 0; i < object.primitiveCount; ++i) {
        const Primitive& primitive = object.primitives[i];
        const uint32_t at = writeIndexArray(file, primitive.getIndexes(), primitive.getIndexCount());
        if (at == InvalidOffset)
            return InvalidOffset;
        if (!indexArrayOffsets.insert(&i, 4, &at, 4))
            return InvalidOffset;
    }
    if (object.vertexCount > 0) {
        const uint32_t at = writeVertexArray(file, object.vertices, object.vertexCount);
        if (at == InvalidOffset || patchField(file, vertexField, at) == InvalidOffset)
            return InvalidOffset;
    }
    if (object.primitiveCount > 0) {
        const uint32_t at =
            writePrimitiveArray(file, object.primitives, object.primitiveCount, textureOffsets, indexArrayOffsets);
        if (at == InvalidOffset || patchField(file, primitiveField, at) == InvalidOffset)
            return InvalidOffset;
    }
    // An object made without a name is stored with an empty one: the format has
    // no way to say "no name".
    const uint32_t nameAt = object.name != nullptr ? writeString(file, object.name) : writeString(file, "");
    if (nameAt == InvalidOffset || patchField(file, nameField, nameAt) == InvalidOffset)
        return InvalidOffset;
    return start;
}

uint32_t ModelObject::write(OutputBuffer& file, BlobDictionary& textureOffsets, bool isRoot) const
{
    // The sibling chain is a loop; only child links recurse.
    uint32_t first = InvalidOffset;
    uint32_t previousSiblingField = InvalidOffset;
    for (const ModelObject* object = this; object != nullptr; object = object->sibling) {
        LinkFields links;
        const uint32_t header = writeObjectPieces(*object, file, textureOffsets, isRoot && object == this, links);
        if (header == InvalidOffset)
            return InvalidOffset;
        if (object == this) {
            first = header;
        } else if (patchField(file, previousSiblingField, header) == InvalidOffset) {
            return InvalidOffset;
        }
        if (object->child != nullptr) {
            const uint32_t childHeader = object->child->write(file, textureOffsets, false);
            if (childHeader == InvalidOffset || patchField(file, links.child, childHeader) == InvalidOffset) {
                return InvalidOffset;
            }
        }
        previousSiblingField = links.sibling;
    }
    return first;
}
