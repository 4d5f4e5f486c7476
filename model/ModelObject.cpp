#include "ModelObject.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "BlobDictionary.h"
#include "BufferReaders.h"
#include "Format.h"
#include "LittleEndian.h"
#include "ObjectWalk.h"
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
    uint32_t field[HeaderField::Count];
    readFields(buffer, size, offset, field, HeaderField::Count);
    auto fail = [&](LoadFailure why, uint32_t at) { return context.fail(why, offset + fieldOffset(at)); };

    // The counts go in only with their arrays, so an object that fails half way
    // still has arrays and counts that agree.
    object.version = field[HeaderField::Version];
    object.selectionPrimitive = static_cast<int32_t>(field[HeaderField::SelectionPrimitive]);
    object.offsetX = static_cast<int32_t>(field[HeaderField::OffsetX]);
    object.offsetY = static_cast<int32_t>(field[HeaderField::OffsetY]);
    object.offsetZ = static_cast<int32_t>(field[HeaderField::OffsetZ]);
    object.reservedZero = field[HeaderField::ReservedZero];
    *siblingOffset = field[HeaderField::SiblingOffset];
    *childOffset = field[HeaderField::ChildOffset];

    // The first header decides whether the file is a model at all.
    if (object.version != 1 && offset == 0)
        return context.fail(LoadFailure::NotAModel, 0, object.version);
    if (object.version != 1)
        return context.fail(LoadFailure::BadVersion, offset, object.version);
    for (uint32_t i : {HeaderField::VertexCount, HeaderField::PrimitiveCount, HeaderField::NameOffset}) {
        if (field[i] == InvalidOffset)
            return fail(LoadFailure::BadHeaderField, i);
    }
    if (object.reservedZero != 0)
        return fail(LoadFailure::HeaderReservedNotZero, HeaderField::ReservedZero);
    for (uint32_t i = HeaderField::VertexArrayOffset; i < HeaderField::Count; ++i) {
        if (field[i] == InvalidOffset)
            return fail(LoadFailure::BadHeaderField, i);
    }

    const uint32_t vertexCount = field[HeaderField::VertexCount];
    Vertex* vertices = readVertexArray(buffer, size, field[HeaderField::VertexArrayOffset], vertexCount, context);
    if (vertices == nullptr)
        return fail(LoadFailure::VertexArrayOutside, HeaderField::VertexArrayOffset);
    object.setVertices(vertices, vertexCount);
    const uint32_t primitiveCount = field[HeaderField::PrimitiveCount];
    Primitive* primitives =
        readPrimitiveArray(buffer, size, field[HeaderField::PrimitiveArrayOffset], primitiveCount, context);
    if (primitives == nullptr)
        return fail(LoadFailure::PrimitiveArrayOutside, HeaderField::PrimitiveArrayOffset);
    object.setPrimitives(primitives, primitiveCount);
    object.setName(readString(buffer, size, field[HeaderField::NameOffset], context));
    if (object.name == nullptr)
        return fail(LoadFailure::NameOutside, HeaderField::NameOffset);
    return true;
}

// A new object charged to the load's budget, or null with the reason recorded.
static ModelObject* newObject(ReadContext& context, uint32_t offset)
{
    if (!context.charge(sizeof(ModelObject)))
        return nullptr;
    ModelObject* object = new (std::nothrow) ModelObject;
    if (object == nullptr)
        context.fail(LoadFailure::OutOfMemory, offset);
    return object;
}

bool ModelObject::read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    // The chains being read, one per level of child links: the object last read
    // on each, the offset of its sibling and how many headers the chain put on
    // the path. No recursion: any depth the bound allows takes the same stack.
    struct Chain {
        ModelObject* last;
        uint32_t siblingOffset;
        uint32_t entered;
    };
    Chain chains[MaxObjectDepth + 1];
    uint32_t level = 0;
    chains[0] = Chain{this, 0, 0};
    ModelObject* object = this;
    uint32_t at = offset;
    bool ok = true;
    while (ok) {
        ok = context.enter(at);
        if (!ok)
            break;
        ++chains[level].entered;
        uint32_t childOffset = 0;
        ok = readObject(*object, buffer, size, at, context, &chains[level].siblingOffset, &childOffset);
        if (!ok)
            break;
        chains[level].last = object;
        if (childOffset != 0) {
            if (level >= MaxObjectDepth) {
                ok = context.fail(LoadFailure::TooDeep, childOffset);
                break;
            }
            object->child = newObject(context, childOffset);
            ok = object->child != nullptr;
            if (!ok)
                break;
            chains[++level] = Chain{object->child, 0, 0};
            object = object->child;
            at = childOffset;
            continue;
        }
        // The object's subtree is read: on to the next sibling, up the levels
        // whose chains have ended.
        while (chains[level].siblingOffset == 0 && level > 0)
            context.leave(chains[level--].entered);
        if (chains[level].siblingOffset == 0)
            break;
        ModelObject* left = chains[level].last;
        at = chains[level].siblingOffset;
        left->sibling = newObject(context, at);
        ok = left->sibling != nullptr;
        object = left->sibling;
    }
    for (uint32_t l = 0; l <= level; ++l)
        context.leave(chains[level - l].entered);
    return ok;
}

uint32_t ModelObject::countVertices() const
{
    uint32_t total = 0;
    ObjectWalk walk(this);
    while (const ModelObject* object = walk.next())
        total += object->vertexCount;
    return total;
}

uint32_t ModelObject::countPrimitives() const
{
    uint32_t total = 0;
    ObjectWalk walk(this);
    while (const ModelObject* object = walk.next())
        total += object->primitiveCount;
    return total;
}

uint32_t ModelObject::writeTextureNames(OutputBuffer& file, BlobDictionary& textureOffsets) const
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    // Faces of one object often share a texture: a run of them is looked up once.
    const Primitive* last = nullptr;
    ObjectWalk walk(this);
    while (const ModelObject* object = walk.next()) {
        for (uint32_t i = 0; i < object->primitiveCount; ++i) {
            const Primitive& face = object->primitives[i];
            if (face.getTextureName() == nullptr || (last != nullptr && face.sameTextureName(*last)))
                continue;
            last = &face;
            // The key is the name with its terminator.
            const uint32_t keyLength = face.getTextureNameLength() + 1;
            if (textureOffsets.contains(face.getTextureName(), keyLength))
                continue;
            const uint32_t at = writeBytes(file, face.getTextureName(), keyLength);
            uint8_t value[FieldSize];
            storeLittle32(value, at);
            if (at == InvalidOffset || !textureOffsets.insert(face.getTextureName(), keyLength, value, FieldSize))
                return InvalidOffset;
        }
    }
    return walk.tooDeep() ? InvalidOffset : start;
}

// Writes one object's header (its offsets left 0), the texture-name block for
// the root, its index arrays, vertices, primitives and name, and patches their
// offsets into the header; the header's position.
static uint32_t writeObjectPieces(const ModelObject& object, OutputBuffer& file, BlobDictionary& textureOffsets,
                                  bool isRoot)
{
    uint32_t header[HeaderField::Count] = {};
    header[HeaderField::Version] = object.version;
    header[HeaderField::VertexCount] = object.vertexCount;
    header[HeaderField::PrimitiveCount] = object.primitiveCount;
    header[HeaderField::SelectionPrimitive] = static_cast<uint32_t>(object.selectionPrimitive);
    header[HeaderField::OffsetX] = static_cast<uint32_t>(object.offsetX);
    header[HeaderField::OffsetY] = static_cast<uint32_t>(object.offsetY);
    header[HeaderField::OffsetZ] = static_cast<uint32_t>(object.offsetZ);
    header[HeaderField::ReservedZero] = object.reservedZero;
    const uint32_t start = writeFields(file, header, HeaderField::Count);
    if (start == InvalidOffset)
        return InvalidOffset;
    auto patch = [&](uint32_t field, uint32_t value) {
        return value != InvalidOffset && patchField(file, start + fieldOffset(field), value) != InvalidOffset;
    };

    if (isRoot && object.writeTextureNames(file, textureOffsets) == InvalidOffset)
        return InvalidOffset;
    const uint32_t firstIndexArray = file.position();
    for (uint32_t i = 0; i < object.primitiveCount; ++i) {
        const Primitive& primitive = object.primitives[i];
        if (writeIndexArray(file, primitive.getIndexes(), primitive.getIndexCount()) == InvalidOffset)
            return InvalidOffset;
    }
    if (object.vertexCount > 0
        && !patch(HeaderField::VertexArrayOffset, writeVertexArray(file, object.vertices, object.vertexCount)))
        return InvalidOffset;
    if (object.primitiveCount > 0
        && !patch(HeaderField::PrimitiveArrayOffset,
                  writePrimitiveArray(file, object.primitives, object.primitiveCount, textureOffsets, firstIndexArray)))
        return InvalidOffset;
    // An object made without a name is stored with an empty one: the format has
    // no way to say "no name".
    if (!patch(HeaderField::NameOffset, writeString(file, object.name != nullptr ? object.name : "")))
        return InvalidOffset;
    return start;
}

uint32_t ModelObject::write(OutputBuffer& file, BlobDictionary& textureOffsets, bool isRoot) const
{
    // The header last written at each depth: in this order, an object's parent
    // or left sibling, whose link to it is patched in.
    uint32_t headers[MaxObjectDepth + 1]; // written at a depth before any read of it
    ObjectWalk walk(this);
    while (const ModelObject* object = walk.next()) {
        const uint32_t depth = walk.depth();
        const uint32_t header = writeObjectPieces(*object, file, textureOffsets, isRoot && object == this);
        if (header == InvalidOffset)
            return InvalidOffset;
        if (object != this) {
            const bool isChild = walk.firstInChain();
            const uint32_t link = isChild ? headers[depth - 1] + fieldOffset(HeaderField::ChildOffset)
                                          : headers[depth] + fieldOffset(HeaderField::SiblingOffset);
            if (patchField(file, link, header) == InvalidOffset)
                return InvalidOffset;
        }
        headers[depth] = header;
    }
    return walk.tooDeep() ? InvalidOffset : headers[0];
}
