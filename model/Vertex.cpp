#include "Vertex.h"

#include "BufferReaders.h"
#include "Format.h"
#include "Writers.h"

bool Vertex::read(const uint8_t* buffer, uint32_t size, uint32_t offset)
{
    const bool wraps = offset > InvalidOffset - 8;
    x = static_cast<int32_t>(readField(buffer, size, offset));
    y = static_cast<int32_t>(wraps ? InvalidOffset : readField(buffer, size, offset + 4));
    z = static_cast<int32_t>(wraps ? InvalidOffset : readField(buffer, size, offset + 8));
    return true;
}

static void putField(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t Vertex::write(OutputBuffer& file) const
{
    uint8_t record[VertexRecordSize];
    putField(record, static_cast<uint32_t>(x));
    putField(record + 4, static_cast<uint32_t>(y));
    putField(record + 8, static_cast<uint32_t>(z));
    return writeBytes(file, record, VertexRecordSize);
}
