#include "Vertex.h"

#include "BufferReaders.h"
#include "Format.h"
#include "OutputBuffer.h"

bool Vertex::read(const uint8_t* buffer, uint32_t size, uint32_t offset)
{
    uint32_t fields[VertexField::Count];
    readFields(buffer, size, offset, fields, VertexField::Count);
    x = static_cast<int32_t>(fields[VertexField::X]);
    y = static_cast<int32_t>(fields[VertexField::Y]);
    z = static_cast<int32_t>(fields[VertexField::Z]);
    return true;
}

uint32_t Vertex::write(OutputBuffer& file) const
{
    const uint32_t start = file.position();
    uint8_t* at = start == InvalidOffset ? nullptr : file.append(VertexRecordSize);
    if (at == nullptr)
        return InvalidOffset;
    store(at);
    return start;
}
