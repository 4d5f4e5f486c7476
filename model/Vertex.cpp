#include "Vertex.h"

#include "BufferReaders.h"
#include "Format.h"

bool Vertex::read(const uint8_t* buffer, uint32_t size, uint32_t offset)
{
    uint32_t fields[VertexField::Count];
    readFields(buffer, size, offset, fields, VertexField::Count);
    x = static_cast<int32_t>(fields[VertexField::X]);
    y = static_cast<int32_t>(fields[VertexField::Y]);
    z = static_cast<int32_t>(fields[VertexField::Z]);
    return true;
}
