#include "Model.h"

#include <cstring>
#include <new>

#include "BlobDictionary.h"
#include "Format.h"
#include "ObjectWalk.h"
#include "OutputBuffer.h"
#include "platform/File.h"

Model::~Model()
{
    delete root;
    root = nullptr;
}

bool Model::load(const char* path, uint8_t** keptImage)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    const ReadFileResult result = readWholeFile(path, MaxModelFileSize, &data, &size, &systemError);
    if (result != ReadFileResult::Ok) {
        delete root;
        root = nullptr;
        loadedSize = 0;
        fault = LoadFault{};
        switch (result) {
        case ReadFileResult::CannotOpen:
            fault.what = LoadFailure::CannotOpen;
            break;
        case ReadFileResult::TooLarge:
            fault.what = LoadFailure::FileTooLarge;
            break;
        case ReadFileResult::OutOfMemory:
            fault.what = LoadFailure::OutOfMemory;
            break;
        default:
            fault.what = LoadFailure::CannotRead;
            break;
        }
        return false;
    }
    const bool ok = read(data, size);
    if (ok && keptImage != nullptr)
        *keptImage = data;
    else
        delete[] data;
    return ok;
}

bool Model::read(const uint8_t* buffer, uint32_t size)
{
    delete root;
    root = nullptr;
    loadedSize = size;
    fault = LoadFault{};
    if (size > MaxModelFileSize) {
        fault.what = LoadFailure::FileTooLarge;
        return false;
    }
    if (size == 0) {
        fault.what = LoadFailure::EmptyFile;
        return false;
    }
    ReadContext context;
    bool ok = context.charge(sizeof(ModelObject));
    if (ok) {
        root = new (std::nothrow) ModelObject;
        ok = root != nullptr || context.fail(LoadFailure::OutOfMemory, 0);
    }
    if (ok)
        ok = root->read(buffer, size, 0, context);
    if (!ok) {
        // A partly read tree is of no use to anyone; give its memory back now.
        delete root;
        root = nullptr;
        fault = context.fault;
        if (fault.what == LoadFailure::None)
            fault.what = LoadFailure::OutOfMemory;
    }
    return ok;
}

uint32_t Model::countVertices() const { return root != nullptr ? root->countVertices() : 0; }

uint32_t Model::countPrimitives() const { return root != nullptr ? root->countPrimitives() : 0; }

// The size of the image if no texture name were shared: an upper bound of what
// compose writes.
static uint64_t imageBound(const ModelObject* first)
{
    uint64_t total = 0;
    ObjectWalk walk(first);
    while (const ModelObject* object = walk.next()) {
        total += ObjectHeaderSize + uint64_t(VertexRecordSize) * object->vertexCount
            + uint64_t(PrimitiveRecordSize) * object->primitiveCount + 1;
        if (object->name != nullptr)
            total += std::strlen(object->name);
        for (uint32_t i = 0; i < object->primitiveCount; ++i) {
            const Primitive& primitive = object->primitives[i];
            total += 2 * uint64_t(primitive.getIndexCount());
            if (primitive.getTextureName() != nullptr)
                total += primitive.getTextureNameLength() + 1;
        }
    }
    return total;
}

bool Model::compose(OutputBuffer& file) const
{
    if (root == nullptr)
        return false;
    // A bound too large to reserve is no failure yet: shared names may make the
    // image itself small enough, and growth handles the rest.
    const uint64_t bound = imageBound(root);
    if (bound < (uint64_t(1) << 32))
        file.reserve(bound);
    BlobDictionary textureOffsets;
    return root->write(file, textureOffsets, true) != InvalidOffset;
}

bool Model::save(const char* path, uint32_t* savedSize) const
{
    OutputBuffer file;
    if (!compose(file))
        return false;
    if (!replaceFileContents(path, file.data(), file.size()))
        return false;
    if (savedSize != nullptr)
        *savedSize = file.size();
    return true;
}
