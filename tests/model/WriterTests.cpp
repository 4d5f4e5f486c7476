// The writer: the compact layout to the byte, shared texture names, a save,
// failures while composing and while replacing the file.
#include <cstring>

#include <gtest/gtest.h>

#include "model/Format.h"
#include "model/OutputBuffer.h"
#include "model/Writers.h"
#include "support/Faults.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace {

using Words = std::vector<uint32_t>;

// root (textures b, -) -> child (c, B, b with no indexes) -> its sibling (d, -);
// root's sibling, without a name (a, the empty name, no indexes).
void buildFamily(Model& model)
{
    model.root = namedObject("root", 4, {{3, {0, 1, 2}, "b"}, {250, {3, 2}}});
    model.root->child = namedObject("child", 2, {{0, {0}, "c"}, {0, {1, 0}, "B"}, {0, {}, "b"}});
    model.root->child->sibling = namedObject("brother", 1, {{0, {0, 0, 0, 0}, "d"}, {0, {0}}});
    model.root->sibling = namedObject("", 0, {{0, {7}, "a"}, {0, {}, ""}});
    model.root->sibling->setName(nullptr);
}

// Depth first, each header's name, vertex, primitive, sibling and child offsets,
// then each of its records' index array and texture name offsets.
void layout(const Image& im, uint32_t at, Words& out)
{
    do {
        for (uint32_t field : {HeaderField::NameOffset, HeaderField::VertexArrayOffset,
                               HeaderField::PrimitiveArrayOffset, HeaderField::SiblingOffset, HeaderField::ChildOffset})
            out.push_back(im.getField(at, field));
        const uint32_t records = im.getField(at, HeaderField::PrimitiveArrayOffset);
        for (uint32_t i = 0; i < im.getField(at, HeaderField::PrimitiveCount); ++i) {
            const uint32_t record = records + PrimitiveRecordSize * i;
            out.insert(out.end(),
                       {im.get32(record + fieldOffset(PrimitiveField::IndexArrayOffset)),
                        im.get32(record + fieldOffset(PrimitiveField::TextureNameOffset))});
        }
        if (im.getField(at, HeaderField::ChildOffset) != 0)
            layout(im, im.getField(at, HeaderField::ChildOffset), out);
        at = im.getField(at, HeaderField::SiblingOffset);
    } while (at != 0);
}

} // namespace

TEST(Writer, ExampleToTheByte)
{
    Model one;
    one.root = namedObject("root", 3, {{0x142, {2, 0, 1}, "abc", {0xFFFFFFFFu, 0, 17}}}); // 0x42 is written
    one.root->offsetX = -5; // every field distinct from its neighbours
    one.root->offsetZ = 99;
    Image a;
    a.add({1, 3, 1, 0xFFFFFFFFu, 0xFFFFFFFBu, 0, 99, 130, 0, 62, 98, 0, 0});
    a.addString("abc");
    a.add16({2, 0, 1});
    a.add({0, 0, 0, 1, 2, 0xFFFFFFFDu, 2, 4, 0xFFFFFFFAu});
    a.add({0x42, 3, 0, 56, 52, 0xFFFFFFFFu, 0, 17});
    a.addString("root");
    EXPECT_EQ(composeBytes(one), a.bytes);
}

TEST(Writer, TextureNamesOnceInOrderOfFirstUseAndEveryOffset)
{
    Model model;
    buildFamily(model);
    const Image im{composeBytes(model)};
    ASSERT_EQ(im.size(), 639u);
    // One block after the root's header, names equal only byte for byte.
    EXPECT_EQ(std::memcmp(im.bytes.data() + 52, "b\0c\0B\0d\0a\0", 11), 0);
    Words offsets;
    layout(im, 0, offsets);
    EXPECT_EQ(offsets, Words({185, 73,  121, 520, 190, 63,  52, 69,  0,           // root
                              368, 248, 272, 374, 0,   242, 54, 244, 56, 248, 52, // child
                              512, 436, 448, 0,   0,   426, 58, 434, 0,           // brother
                              638, 0,   574, 0,   0,   572, 60, 574, 62}));       // root's sibling, name ""
}

TEST(Writer, EveryFailedAllocationIsNoticed)
{
    Model model;
    buildFamily(model);
    const Bytes good = composeBytes(model);
    for (uint32_t allocation = 1; allocation < 1000; ++allocation) {
        OutputBuffer file;
        failAllocation(allocation);
        const bool composed = model.compose(file);
        const bool pastEveryAllocation = failAllocation(0);
        if (composed) { // no failure went unnoticed
            EXPECT_EQ(Bytes(file.data(), file.data() + file.size()), good) << allocation;
        }
        if (pastEveryAllocation)
            return;
    }
    ADD_FAILURE() << "a thousand allocations or more";
}

// A save writes what the writer composes and tells its size; a failed replace
// reaches the caller. What a fault leaves of the file is the file layer's test.
TEST(Writer, SaveWritesTheComposedImageOrFails)
{
    Model model;
    buildFamily(model);
    TempDir dir;
    const std::string path = dir.file("unit.3do");
    uint32_t savedSize = 0;
    ASSERT_TRUE(model.save(path.c_str(), &savedSize));
    EXPECT_EQ(readBytes(path), composeBytes(model));
    EXPECT_EQ(savedSize, readBytes(path).size());
    injectFileFault(FileStep::Replace, 1);
    EXPECT_FALSE(model.save(path.c_str()));
    clearFileFaults();
}

TEST(OutputBuffer, GrowsPatchesAndFailsForGood)
{
    OutputBuffer file;
    EXPECT_FALSE(file.reserve(uint64_t(1) << 32));
    EXPECT_EQ(writeField(file, 0x04030201u), 0u);
    EXPECT_EQ(writeString(file, "xy"), 4u);
    std::vector<uint16_t> indexes(3000);
    for (uint16_t i = 0; i < 3000; ++i)
        indexes[i] = i;
    EXPECT_EQ(writeIndexArray(file, indexes.data(), 3000), 7u); // grows twice, in several blocks
    EXPECT_EQ(patchField(file, 2, 0xAABBCCDDu), 6007u);
    EXPECT_EQ(Bytes(file.data(), file.data() + 9), Bytes({1, 2, 0xDD, 0xCC, 0xBB, 0xAA, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.data() + 6003, file.data() + 6007), Bytes({2998 & 0xFF, 2998 >> 8, 2999 & 0xFF, 2999 >> 8}));
    EXPECT_FALSE(file.seek(6008) || file.seek(0)); // past the end: the buffer has failed for good
    EXPECT_EQ(writeField(file, 1), InvalidOffset);
    EXPECT_EQ(file.size(), 6007u);
}
