// The writer: the compact layout to the byte, shared texture names, round trips,
// failures while composing and while replacing the file.
#include <cstring>

#include <gtest/gtest.h>

#include "ModelBuilders.h"
#include "model/BlobDictionary.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "model/Writers.h"
#include "platform/File.h"
#include "support/TestSupport.h"

namespace {

// The header offsets of a composed image, depth first (object, child subtree, siblings).
void collectHeaders(const Image& image, uint32_t at, std::vector<uint32_t>& headers) {
    for (; at != 0 || headers.empty(); at = image.get32(at + 44)) {
        headers.push_back(at);
        if (image.get32(at + 48) != 0) collectHeaders(image, image.get32(at + 48), headers);
        if (image.get32(at + 44) == 0) break;
    }
}

// Every primitive record's (indexArrayOffset, textureNameOffset), in file order.
std::vector<std::pair<uint32_t, uint32_t>> recordOffsets(const Image& image) {
    std::vector<uint32_t> headers;
    collectHeaders(image, 0, headers);
    std::vector<std::pair<uint32_t, uint32_t>> offsets;
    for (uint32_t header : headers) {
        const uint32_t first = image.get32(header + 40);
        for (uint32_t i = 0; i < image.get32(header + 8); ++i) {
            offsets.emplace_back(image.get32(first + 32 * i + 12), image.get32(first + 32 * i + 16));
        }
    }
    return offsets;
}

Image composed(const Model& model) {
    Image image;
    image.bytes = composeBytes(model);
    return image;
}

// root (textured "b") -> child (textures "c", "B", "b") -> child's sibling ("d", untextured);
// root's sibling ("a", and an empty name).
void buildFamily(Model& model) {
    model.root = newObject("root");
    giveVertices(*model.root, 4);
    givePrimitives(*model.root, {{{0, 1, 2}, "b", 3}, {{3, 2}, nullptr, 250}});
    model.root->selectionPrimitive = 1;
    model.root->offsetX = -5;
    ModelObject* child = newObject("child");
    giveVertices(*child, 2);
    givePrimitives(*child, {{{0}, "c"}, {{1, 0}, "B"}, {{}, "b"}});
    ModelObject* grandSibling = newObject("brother");
    giveVertices(*grandSibling, 1);
    givePrimitives(*grandSibling, {{{0, 0, 0, 0}, "d"}, {{0}, nullptr}});
    child->sibling = grandSibling;
    model.root->child = child;
    ModelObject* rootSibling = newObject("");
    givePrimitives(*rootSibling, {{{7}, "a"}, {{}, ""}});
    model.root->sibling = rootSibling;
}

} // namespace

TEST(Writer, SingleObjectExampleToTheByte) {
    Model model;
    model.root = newObject("root");
    giveVertices(*model.root, 3);
    givePrimitives(*model.root, {{{2, 0, 1}, "abc", 0x42}});
    model.root->primitives[0].trailing1 = 0xFFFFFFFFu;
    model.root->primitives[0].trailing3 = 17;
    model.root->offsetZ = 99;

    Image expected;
    Header header;
    header.vertexCount = 3;
    header.primitiveCount = 1;
    header.offsetZ = 99;
    header.nameOffset = 130;
    header.vertexArrayOffset = 62;
    header.primitiveArrayOffset = 98;
    addHeader(expected, header);
    EXPECT_EQ(expected.addString("abc"), 52u);
    EXPECT_EQ(expected.add16(2), 56u);
    expected.add16(0);
    expected.add16(1);
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t at = expected.add32(i);
        if (i == 0) {
            EXPECT_EQ(at, 62u);
        }
        expected.add32(2 * i);
        expected.add32(static_cast<uint32_t>(-static_cast<int32_t>(3 * i)));
    }
    Record record;
    record.colour = 0x42;
    record.indexCount = 3;
    record.indexArrayOffset = 56;
    record.textureNameOffset = 52;
    record.trailing1 = 0xFFFFFFFFu;
    record.trailing3 = 17;
    EXPECT_EQ(addRecord(expected, record), 98u);
    EXPECT_EQ(expected.addString("root"), 130u);
    ASSERT_EQ(expected.size(), 135u);

    EXPECT_EQ(composeBytes(model), expected.bytes);
}

TEST(Writer, ChildExampleToTheByte) {
    Model model;
    model.root = newObject("r");
    ModelObject* child = newObject("c");
    giveVertices(*child, 1);
    child->vertices[0] = Vertex{-1, 2, -3};
    givePrimitives(*child, {{{0}, nullptr, 12}});
    model.root->child = child;

    Image expected;
    Header root;
    root.nameOffset = 52;
    root.childOffset = 54;
    addHeader(expected, root);
    expected.addString("r");
    Header second;
    second.vertexCount = 1;
    second.primitiveCount = 1;
    second.nameOffset = 152;
    second.vertexArrayOffset = 108;
    second.primitiveArrayOffset = 120;
    EXPECT_EQ(addHeader(expected, second), 54u);
    EXPECT_EQ(expected.add16(0), 106u);
    expected.add32(0xFFFFFFFFu);
    expected.add32(2);
    expected.add32(0xFFFFFFFDu);
    Record record;
    record.colour = 12;
    record.indexCount = 1;
    record.indexArrayOffset = 106;
    EXPECT_EQ(addRecord(expected, record), 120u);
    EXPECT_EQ(expected.addString("c"), 152u);
    ASSERT_EQ(expected.size(), 154u);

    EXPECT_EQ(composeBytes(model), expected.bytes);
}

TEST(Writer, TextureNamesAreWrittenOnceInOrderOfFirstUse) {
    Model model;
    buildFamily(model);
    const Image image = composed(model);
    ASSERT_GT(image.size(), 0u);
    // b, c, B, d from the root's subtree, then a and the empty name from its sibling.
    const char block[] = "b\0c\0B\0d\0a\0";
    EXPECT_EQ(std::memcmp(image.bytes.data() + 52, block, sizeof block), 0);
    const uint32_t offsetOf[] = {52, 54, 56, 58, 60, 62}; // b c B d a ""
    const std::vector<std::pair<uint32_t, uint32_t>> records = recordOffsets(image);
    ASSERT_EQ(records.size(), 9u);
    const uint32_t expectedTexture[] = {offsetOf[0], 0, offsetOf[1], offsetOf[2], offsetOf[0],
                                        offsetOf[3], 0, offsetOf[4], offsetOf[5]};
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i].second, expectedTexture[i]) << i;

    // Pieces follow each other: the root's first index array right after the block.
    EXPECT_EQ(records[0].first, 63u);
    EXPECT_EQ(records[1].first, 69u);
    EXPECT_EQ(image.get32(36), 73u); // vertices after both index arrays
    std::vector<uint32_t> headers;
    collectHeaders(image, 0, headers);
    ASSERT_EQ(headers.size(), 4u);
    // The child's empty index array (its third primitive) sits where its vertices begin.
    EXPECT_EQ(records[4].first, image.get32(headers[1] + 36));
    EXPECT_EQ(records[4].first, records[3].first + 4);
    // The root's sibling header follows the whole child subtree and has no block of its own.
    EXPECT_EQ(image.get32(44), headers[3]);
    EXPECT_EQ(records[7].first, headers[3] + 52);
    EXPECT_EQ(image.get32(headers[3] + 36), 0u); // no vertices
    EXPECT_EQ(image.get32(headers[3] + 28), image.size() - 1);
    EXPECT_EQ(image.get32(12), 1u);
    EXPECT_EQ(image.get32(16), static_cast<uint32_t>(-5));
}

TEST(Writer, OneNameSharedByTenPrimitivesInThreeObjects) {
    Model model;
    model.root = newObject("a");
    givePrimitives(*model.root, {{{0}, "Arm"}, {{0}, "Arm"}, {{0}, "Arm"}});
    ModelObject* child = newObject("b");
    givePrimitives(*child, {{{0}, "Arm"}, {{0}, "Arm"}, {{0}, "Arm"}, {{0}, "Arm"}});
    ModelObject* sibling = newObject("c");
    givePrimitives(*sibling, {{{0}, "Arm"}, {{0}, "Arm"}, {{0}, "Arm"}});
    child->sibling = sibling;
    model.root->child = child;
    const Image image = composed(model);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.bytes.data()) + 52), "Arm");
    const auto records = recordOffsets(image);
    ASSERT_EQ(records.size(), 10u);
    for (const auto& record : records) EXPECT_EQ(record.second, 52u);
    EXPECT_EQ(records[0].first, 56u);
}

TEST(Writer, ModelWithoutTexturesStartsItsPiecesAt52) {
    Model model;
    model.root = newObject("n");
    giveVertices(*model.root, 2);
    Image image = composed(model);
    EXPECT_EQ(image.get32(36), 52u); // vertices first: no index arrays, no names
    EXPECT_EQ(image.get32(40), 0u);
    givePrimitives(*model.root, {{{1, 0}, nullptr}});
    image = composed(model);
    EXPECT_EQ(recordOffsets(image).at(0).first, 52u);
    EXPECT_EQ(image.get32(36), 56u);
}

TEST(Writer, RoundTripKeepsEveryValue) {
    Model model;
    buildFamily(model);
    const std::vector<uint8_t> first = composeBytes(model);
    Model again;
    ASSERT_TRUE(readExact(again, first)) << describeLoadFailure(again.failure);
    EXPECT_EQ(again.countVertices(), model.countVertices());
    EXPECT_EQ(again.countPrimitives(), model.countPrimitives());
    EXPECT_EQ(again.root->selectionPrimitive, 1);
    EXPECT_EQ(again.root->primitives[1].getColour(), 250u);
    EXPECT_STREQ(again.root->sibling->primitives[1].getTextureName(), "");
    EXPECT_STREQ(again.root->child->sibling->name, "brother");
    EXPECT_EQ(composeBytes(again), first);
}

TEST(Writer, ObjectWithoutNameIsStoredWithAnEmptyOne) {
    Model model;
    model.root = new ModelObject;
    const Image image = composed(model);
    ASSERT_EQ(image.size(), 53u);
    EXPECT_EQ(image.get32(28), 52u);
    EXPECT_EQ(image.bytes[52], 0);
}

TEST(Writer, EveryInjectedComposeFailureFailsTheCompose) {
    Model model;
    buildFamily(model);
    const std::vector<uint8_t> good = composeBytes(model);
    uint32_t needed = 0;
    for (;; ++needed) {
        OutputBuffer file;
        file.failAfter(needed);
        if (model.compose(file)) {
            EXPECT_EQ(std::vector<uint8_t>(file.data(), file.data() + file.size()), good);
            break;
        }
        EXPECT_EQ(file.position(), InvalidOffset) << needed;
        ASSERT_LT(needed, 100000u);
    }
    EXPECT_GT(needed, 50u); // headers, names, arrays and patches each count
}

TEST(Writer, SaveReplacesTheFileAndKeepsItOnFailure) {
    Model model;
    buildFamily(model);
    const std::vector<uint8_t> good = composeBytes(model);
    TempDir dir;
    const std::string path = dir.file("unit.3do");
    const std::vector<uint8_t> original(300, 0xAB);
    ASSERT_TRUE(writeBytes(path, original));

    uint32_t savedSize = 0;
    ASSERT_TRUE(model.save(path.c_str(), &savedSize));
    EXPECT_EQ(savedSize, good.size());
    EXPECT_EQ(readBytes(path), good);
    Model loaded;
    ASSERT_TRUE(loaded.load(path.c_str()));
    EXPECT_EQ(loaded.loadedSize, good.size());
    EXPECT_EQ(composeBytes(loaded), good);

    ASSERT_TRUE(writeBytes(path, original));
    Model empty; // nothing to compose
    savedSize = 7;
    EXPECT_FALSE(empty.save(path.c_str(), &savedSize));
    EXPECT_EQ(savedSize, 7u);
    EXPECT_EQ(readBytes(path), original);

    const FileStep steps[] = {FileStep::CreateTemporary, FileStep::Write, FileStep::Flush, FileStep::Replace};
    for (FileStep step : steps) {
        injectFileFault(step, 1);
        EXPECT_FALSE(model.save(path.c_str())) << int(step);
        clearFileFaults();
        EXPECT_EQ(readBytes(path), original) << int(step);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"unit.3do"}) << int(step);
    }
}

TEST(Writer, LoadReportsFilesThatCannotBeRead) {
    TempDir dir;
    Model model;
    EXPECT_FALSE(model.load(dir.file("missing.3do").c_str()));
    EXPECT_EQ(model.failure, LoadFailure::CannotOpen);
    EXPECT_EQ(model.root, nullptr);
    ASSERT_TRUE(writeBytes(dir.file("empty.3do"), {}));
    EXPECT_FALSE(model.load(dir.file("empty.3do").c_str()));
    EXPECT_EQ(model.failure, LoadFailure::HeaderOutside);
}

TEST(OutputBuffer, WritesSeeksAndFailures) {
    OutputBuffer file;
    EXPECT_FALSE(file.reserve(uint64_t(1) << 32));
    EXPECT_TRUE(file.reserve(16));
    EXPECT_EQ(writeField(file, 0x04030201u), 0u);
    EXPECT_EQ(writeString(file, "xy"), 4u);
    EXPECT_EQ(writeBytes(file, nullptr, 0), 7u);
    const uint16_t indexes[300] = {0x0102};
    EXPECT_EQ(writeIndexArray(file, indexes, 300), 7u); // beyond the reserve: grows
    EXPECT_EQ(file.size(), 607u);
    EXPECT_EQ(patchField(file, 2, 0xAABBCCDDu), 607u);
    const uint8_t start[9] = {1, 2, 0xDD, 0xCC, 0xBB, 0xAA, 0, 2, 1};
    EXPECT_EQ(std::memcmp(file.data(), start, sizeof start), 0);
    EXPECT_EQ(file.position(), 607u);
    EXPECT_EQ(writeString(file, nullptr), InvalidOffset);
    EXPECT_EQ(patchField(file, InvalidOffset, 1), InvalidOffset);

    EXPECT_FALSE(file.seek(608)); // past the end: the buffer has failed for good
    EXPECT_EQ(file.position(), InvalidOffset);
    EXPECT_FALSE(file.seek(0));
    EXPECT_EQ(writeField(file, 1), InvalidOffset);
    EXPECT_EQ(file.size(), 607u);

    OutputBuffer limited;
    limited.failAfter(3);
    EXPECT_EQ(limited.position(), 0u);
    EXPECT_TRUE(limited.write("ab", 2));
    EXPECT_TRUE(limited.seek(1));
    EXPECT_FALSE(limited.write("c", 1));
    EXPECT_EQ(limited.size(), 2u);
}
