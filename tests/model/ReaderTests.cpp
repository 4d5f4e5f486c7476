// The reader: file format edge cases, malformed and hostile files, the load's limits.
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "ModelBuilders.h"
#include "model/BufferReaders.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/ReadContext.h"

namespace {

// One object with 3 vertices and 2 primitives (a textured triangle, an untextured line).
Image triangleImage() {
    Image image;
    addHeader(image, Header{});
    const uint32_t name = image.addString("base");
    const uint32_t vertices = image.size();
    for (uint32_t i = 0; i < 9; ++i) image.add32(i * 100);
    const uint32_t indexes = image.add16(0);
    image.add16(1);
    image.add16(2);
    const uint32_t texture = image.addString("tex1");
    Record triangle;
    triangle.colour = 7;
    triangle.indexCount = 3;
    triangle.indexArrayOffset = indexes;
    triangle.textureNameOffset = texture;
    const uint32_t primitives = addRecord(image, triangle);
    Record line;
    line.colour = 9;
    line.indexCount = 2;
    line.indexArrayOffset = indexes + 2;
    addRecord(image, line);
    Header header;
    header.vertexCount = 3;
    header.primitiveCount = 2;
    header.nameOffset = name;
    header.vertexArrayOffset = vertices;
    header.primitiveArrayOffset = primitives;
    putHeader(image, 0, header);
    return image;
}

LoadFailure failureOf(const Image& image) {
    Model model;
    EXPECT_FALSE(readExact(model, image.bytes));
    EXPECT_EQ(model.root, nullptr);
    return model.failure;
}

// Headers 0..n-1 at 52 x k, all named by one string after them; links[k] gives
// header k's child and sibling as header numbers, 0 for none (the root, header
// 0, cannot be named: offset 0 means "none").
struct Links {
    uint32_t child;
    uint32_t sibling;
};
Image linkedHeaders(const std::vector<Links>& links) {
    Image image;
    const uint32_t count = static_cast<uint32_t>(links.size());
    for (const Links& link : links) {
        Header header;
        header.nameOffset = 52 * count;
        header.childOffset = 52 * link.child;
        header.siblingOffset = 52 * link.sibling;
        addHeader(image, header);
    }
    image.addString("x");
    return image;
}

// Header field positions.
constexpr uint32_t VersionField = 0, VertexCountField = 4, PrimitiveCountField = 8, NameField = 28,
                   ReservedField = 32, VertexArrayField = 36, PrimitiveArrayField = 40, SiblingField = 44,
                   ChildField = 48;

} // namespace

TEST(BufferReaders, BoundsAreTestedWithoutWrapping) {
    const uint8_t bytes[8] = {1, 2, 3, 4, 'a', 0, 'b', 'c'};
    ReadContext context;
    EXPECT_EQ(readField(bytes, 8, 4), 0x63620061u);
    EXPECT_EQ(readField(bytes, 8, 5), InvalidOffset);
    EXPECT_EQ(readField(bytes, 8, 0xFFFFFFFEu), InvalidOffset);

    char* s = readString(bytes, 8, 4, context);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "a");
    delete[] s;
    s = readString(bytes, 8, 5, context); // a lone zero byte is a string
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "");
    delete[] s;
    EXPECT_EQ(readString(bytes, 8, 6, context), nullptr); // no zero before the end
    EXPECT_EQ(readString(bytes, 8, 8, context), nullptr);

    uint16_t* empty = readIndexArray(bytes, 8, 7, 0, context);
    EXPECT_NE(empty, nullptr);
    delete[] empty;
    EXPECT_EQ(readIndexArray(bytes, 8, 8, 0, context), nullptr);
    uint16_t* two = readIndexArray(bytes, 8, 4, 2, context);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two[0], 0x61);
    EXPECT_EQ(two[1], 0x6362);
    delete[] two;
    EXPECT_EQ(readIndexArray(bytes, 8, 5, 2, context), nullptr);
    EXPECT_EQ(readIndexArray(bytes, 8, 4, 0x80000002u, context), nullptr); // 2 x count wraps to 4
    EXPECT_EQ(readVertexArray(bytes, 8, 0, 0x15555556u, context), nullptr); // 12 x count wraps to 8
    EXPECT_EQ(readPrimitiveArray(bytes, 8, 0, 0x08000000u, context), nullptr); // 32 x count wraps to 0
    EXPECT_EQ(context.failure, LoadFailure::None);
}

TEST(BufferReaders, ChargesTheBudgetBeforeBuilding) {
    const uint8_t bytes[16] = {};
    ReadContext context;
    context.bytesLeft = 2 * sizeof(Vertex);
    Vertex* two = readVertexArray(bytes, 16, 0, 1, context);
    EXPECT_NE(two, nullptr);
    delete[] two;
    EXPECT_EQ(readIndexArray(bytes, 16, 0, 8, context), nullptr);
    EXPECT_EQ(context.failure, LoadFailure::TreeTooLarge);
}

TEST(Reader, ValidFileLoadsEveryField) {
    Image image = triangleImage();
    image.put32(12, 0xFFFFFFFFu); // selection, offsets and trailing words take any value
    image.put32(16, 0x80000000u);
    image.put32(20, 0xFFFFFFFFu);
    image.put32(24, 7);
    const uint32_t record = image.get32(PrimitiveArrayField);
    image.put32(record, 0x105);
    image.put32(record + 20, 0xFFFFFFFFu);
    image.put32(record + 24, 1);
    image.put32(record + 28, 0xDEADBEEFu);
    image.bytes[image.get32(record + 12)] = 200; // an index past vertexCount is kept

    Model model;
    ASSERT_TRUE(readExact(model, image.bytes)) << describeLoadFailure(model.failure);
    const ModelObject& root = *model.root;
    EXPECT_EQ(root.selectionPrimitive, -1);
    EXPECT_EQ(root.offsetX, INT32_MIN);
    EXPECT_EQ(root.offsetY, -1);
    EXPECT_EQ(root.offsetZ, 7);
    EXPECT_STREQ(root.name, "base");
    ASSERT_EQ(root.vertexCount, 3u);
    EXPECT_EQ(root.vertices[2].x, 600);
    EXPECT_EQ(root.vertices[2].z, 800);
    ASSERT_EQ(root.primitiveCount, 2u);
    const Primitive& triangle = root.primitives[0];
    EXPECT_EQ(triangle.getColour(), 5u);
    ASSERT_EQ(triangle.getIndexCount(), 3u);
    EXPECT_EQ(triangle.getIndex(0), 200);
    EXPECT_EQ(triangle.getIndex(2), 2);
    EXPECT_STREQ(triangle.getTextureName(), "tex1");
    EXPECT_EQ(triangle.trailing1, 0xFFFFFFFFu);
    EXPECT_EQ(triangle.trailing3, 0xDEADBEEFu);
    const Primitive& line = root.primitives[1];
    EXPECT_EQ(line.getTextureName(), nullptr);
    EXPECT_EQ(line.getIndex(0), 1);
    EXPECT_EQ(model.loadedSize, image.size());
    EXPECT_EQ(model.failure, LoadFailure::None);
}

TEST(Reader, EmptyArraysNeedAnOffsetInsideTheFile) {
    Image image = singleObjectImage(); // 56 bytes, both counts 0 at offset 0
    Model model;
    ASSERT_TRUE(readExact(model, image.bytes));
    EXPECT_NE(model.root->vertices, nullptr);
    EXPECT_NE(model.root->primitives, nullptr);

    image.put32(VertexArrayField, image.size() - 1);
    image.put32(PrimitiveArrayField, image.size() - 1);
    EXPECT_TRUE(readExact(model, image.bytes));
    image.put32(VertexArrayField, image.size());
    EXPECT_EQ(failureOf(image), LoadFailure::VertexArrayOutside);
    image.put32(VertexArrayField, 0);
    image.put32(PrimitiveArrayField, image.size());
    EXPECT_EQ(failureOf(image), LoadFailure::PrimitiveArrayOutside);

    // A primitive of no indexes: its index array offset follows the same rule.
    Image withPoint = singleObjectImage();
    Record record;
    const uint32_t at = addRecord(withPoint, record);
    withPoint.put32(PrimitiveCountField, 1);
    withPoint.put32(PrimitiveArrayField, at);
    withPoint.put32(at + 12, withPoint.size() - 1);
    ASSERT_TRUE(readExact(model, withPoint.bytes));
    EXPECT_EQ(model.root->primitives[0].getIndexCount(), 0u);
    EXPECT_NE(model.root->primitives[0].getIndexes(), nullptr);
    withPoint.put32(at + 12, withPoint.size());
    EXPECT_EQ(failureOf(withPoint), LoadFailure::IndexArrayOutside);
}

TEST(Reader, ArraysEndingAtTheEndOfTheFile) {
    Image image = singleObjectImage();
    const uint32_t vertices = image.addZeros(24);
    image.put32(VertexCountField, 2);
    image.put32(VertexArrayField, vertices);
    Model model;
    EXPECT_TRUE(readExact(model, image.bytes));
    image.put32(VertexArrayField, vertices + 1);
    EXPECT_EQ(failureOf(image), LoadFailure::VertexArrayOutside);
    image.put32(VertexArrayField, vertices);
    image.put32(VertexCountField, 3);
    EXPECT_EQ(failureOf(image), LoadFailure::VertexArrayOutside);
    image.put32(VertexCountField, 0x15555556u); // 12 x count wraps around to 8
    EXPECT_EQ(failureOf(image), LoadFailure::VertexArrayOutside);

    Image primitives = singleObjectImage();
    const uint32_t at = addRecord(primitives, Record{});
    primitives.put32(PrimitiveCountField, 0x08000001u); // 32 x count wraps around to 32
    primitives.put32(PrimitiveArrayField, at);
    EXPECT_EQ(failureOf(primitives), LoadFailure::PrimitiveArrayOutside);
    primitives.put32(at + 4, 0x80000000u); // 2 x count wraps to 0
    primitives.put32(PrimitiveCountField, 1);
    EXPECT_EQ(failureOf(primitives), LoadFailure::IndexArrayOutside);
}

TEST(Reader, TextureNames) {
    Image image = singleObjectImage();
    const uint32_t indexes = image.add16(0);
    const uint32_t empty = image.addString("");
    Record record;
    record.indexCount = 1;
    record.indexArrayOffset = indexes;
    record.textureNameOffset = empty;
    const uint32_t at = addRecord(image, record);
    image.put32(PrimitiveCountField, 1);
    image.put32(PrimitiveArrayField, at);
    Model model;
    ASSERT_TRUE(readExact(model, image.bytes));
    ASSERT_NE(model.root->primitives[0].getTextureName(), nullptr); // empty name is still a texture
    EXPECT_STREQ(model.root->primitives[0].getTextureName(), "");

    image.put32(at + 16, image.size());
    EXPECT_EQ(failureOf(image), LoadFailure::TextureNameOutside);
    image.put32(at + 16, 0xFFFFFFF0u);
    EXPECT_EQ(failureOf(image), LoadFailure::TextureNameOutside);
    image.bytes.back() = 'x'; // the record's last byte: no zero up to the end
    image.put32(at + 16, image.size() - 1);
    EXPECT_EQ(failureOf(image), LoadFailure::TextureNameOutside);
}

TEST(Reader, InvalidHeadersAndRecords) {
    EXPECT_EQ(failureOf(Image{}), LoadFailure::HeaderOutside);
    Image shortImage = singleObjectImage();
    shortImage.bytes.resize(51);
    EXPECT_EQ(failureOf(shortImage), LoadFailure::HeaderOutside);

    const struct {
        uint32_t field;
        uint32_t value;
        LoadFailure expected;
    } cases[] = {
        {VersionField, 2, LoadFailure::BadVersion},
        {VersionField, 0, LoadFailure::BadVersion},
        {VertexCountField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {PrimitiveCountField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {NameField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {ReservedField, 1, LoadFailure::HeaderReservedNotZero},
        {VertexArrayField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {PrimitiveArrayField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {SiblingField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {ChildField, 0xFFFFFFFFu, LoadFailure::BadHeaderField},
        {NameField, 56, LoadFailure::NameOutside},
        {ChildField, 56, LoadFailure::HeaderOutside},
        {SiblingField, 5, LoadFailure::HeaderOutside},
        {ChildField, 0xFFFFFFF0u, LoadFailure::HeaderOutside},
    };
    for (const auto& c : cases) {
        Image image = singleObjectImage();
        image.put32(c.field, c.value);
        EXPECT_EQ(failureOf(image), c.expected) << "field " << c.field << " = " << c.value;
    }

    Image records = triangleImage();
    const uint32_t at = records.get32(PrimitiveArrayField) + 32; // the line
    Image badCount = records;
    badCount.put32(at + 4, 0xFFFFFFFFu);
    EXPECT_EQ(failureOf(badCount), LoadFailure::BadIndexCount);
    Image reserved = records;
    reserved.put32(at + 8, 3);
    EXPECT_EQ(failureOf(reserved), LoadFailure::PrimitiveReservedNotZero);
    Image outside = records;
    outside.put32(at + 12, outside.size() - 3);
    EXPECT_EQ(failureOf(outside), LoadFailure::IndexArrayOutside);
}

TEST(Reader, FailureReportsWhereItWasFound) {
    Image image = singleObjectImage();
    const uint32_t child = addHeader(image, Header{});
    image.put32(ChildField, child);
    image.put32(child + VertexArrayField, image.size() + 100);
    Model model;
    EXPECT_FALSE(readExact(model, image.bytes));
    EXPECT_EQ(model.failure, LoadFailure::VertexArrayOutside);
    EXPECT_EQ(model.failureOffset, child + VertexArrayField);
    EXPECT_STREQ(describeLoadFailure(LoadFailure::HeaderOutside), "object header lies outside the file");
    std::set<std::string> phrases;
    for (int i = 0; i <= int(LoadFailure::TreeTooLarge); ++i) phrases.insert(describeLoadFailure(LoadFailure(i)));
    EXPECT_EQ(phrases.size(), size_t(LoadFailure::TreeTooLarge) + 1);
}

TEST(Reader, SharedBytesAndSharedHeadersMakeSeparateCopies) {
    // root -> child A, A's sibling B; A and B both have child C; all four share a
    // texture name and an index array.
    Image image = triangleImage();
    const uint32_t record = image.get32(PrimitiveArrayField);
    Header shared;
    shared.nameOffset = image.get32(NameField);
    shared.vertexCount = 3;
    shared.vertexArrayOffset = image.get32(VertexArrayField);
    shared.primitiveCount = 1;
    shared.primitiveArrayOffset = record;
    const uint32_t c = addHeader(image, shared);
    shared.childOffset = c;
    const uint32_t b = addHeader(image, shared);
    shared.siblingOffset = b;
    const uint32_t a = addHeader(image, shared);
    image.put32(ChildField, a);

    Model model;
    ASSERT_TRUE(readExact(model, image.bytes)) << describeLoadFailure(model.failure);
    const ModelObject* objectA = model.root->child;
    ASSERT_NE(objectA, nullptr);
    ASSERT_NE(objectA->sibling, nullptr);
    const ModelObject* c1 = objectA->child;
    const ModelObject* c2 = objectA->sibling->child;
    ASSERT_NE(c1, nullptr);
    ASSERT_NE(c2, nullptr);
    EXPECT_NE(c1, c2);
    EXPECT_STREQ(c1->name, c2->name);
    EXPECT_NE(c1->name, c2->name);
    EXPECT_NE(c1->primitives[0].getTextureName(), model.root->primitives[0].getTextureName());
    EXPECT_NE(c1->primitives[0].getIndexes(), c2->primitives[0].getIndexes());
    EXPECT_EQ(c1->primitives[0].getIndex(1), 1);
    EXPECT_EQ(model.countVertices(), 15u);
    EXPECT_EQ(model.countPrimitives(), 6u);
}

TEST(Reader, BadPrimitiveDeepInTheTreeFailsTheLoad) {
    Image image = triangleImage();
    Header header;
    header.nameOffset = image.get32(NameField);
    header.primitiveCount = 1;
    header.primitiveArrayOffset = image.get32(PrimitiveArrayField);
    const uint32_t good = addHeader(image, header);
    Record bad;
    bad.reservedZero = 1;
    header.primitiveArrayOffset = addRecord(image, bad);
    const uint32_t sibling = addHeader(image, header);
    image.put32(good + SiblingField, sibling);
    image.put32(ChildField, good);
    EXPECT_EQ(failureOf(image), LoadFailure::PrimitiveReservedNotZero);
}

TEST(Reader, CyclesFailAndRepeatedHeadersDoNot) {
    const struct {
        const char* what;
        std::vector<Links> links;
    } cycles[] = {
        {"sibling is itself", {{1, 0}, {0, 1}}},
        {"child is itself", {{1, 0}, {1, 0}}},
        {"grandchild is the child", {{1, 0}, {2, 0}, {1, 0}}},
        {"sibling chain returns to its start", {{0, 1}, {0, 2}, {0, 1}}},
        {"grandchild's sibling is its parent's left sibling", {{1, 0}, {0, 2}, {3, 0}, {0, 1}}},
    };
    for (const auto& c : cycles) EXPECT_EQ(failureOf(linkedHeaders(c.links)), LoadFailure::Cycle) << c.what;

    // Headers named again by later links are no cycle: 1's sibling 2 has child 3
    // again, and the root's sibling is 3 too.
    const Image repeated = linkedHeaders({{1, 3}, {3, 2}, {3, 0}, {0, 0}});
    Model model;
    ASSERT_TRUE(readExact(model, repeated.bytes)) << describeLoadFailure(model.failure);
    ASSERT_NE(model.root->child->sibling->child, nullptr);
    EXPECT_NE(model.root->child->child, model.root->child->sibling->child);
    EXPECT_NE(model.root->sibling, nullptr);
}

TEST(Reader, DepthLimit) {
    // Each header the child of the one before.
    const auto chain = [](uint32_t links) {
        std::vector<Links> headers;
        for (uint32_t i = 0; i <= links; ++i) headers.push_back({i < links ? i + 1 : 0, 0});
        return linkedHeaders(headers);
    };
    Model model;
    ASSERT_TRUE(readExact(model, chain(MaxObjectDepth).bytes)) << describeLoadFailure(model.failure);
    uint32_t depth = 0;
    for (const ModelObject* o = model.root->child; o != nullptr; o = o->child) ++depth;
    EXPECT_EQ(depth, MaxObjectDepth);
    EXPECT_EQ(failureOf(chain(MaxObjectDepth + 1)), LoadFailure::TooDeep);
}

TEST(Reader, DoublingChainHitsTheLimits) {
    // Header k's child and sibling both lead to header k + 1: 2^40 objects if
    // nothing stopped it.
    std::vector<Links> links;
    for (uint32_t k = 0; k < 40; ++k) links.push_back({k < 39 ? k + 1 : 0, k < 39 ? k + 1 : 0});
    Image image = linkedHeaders(links);
    EXPECT_EQ(failureOf(image), LoadFailure::TooManyObjects);

    // With a large vertex array in every header, tree memory runs out first.
    const uint32_t vertices = image.addZeros(12 * 100000);
    for (uint32_t k = 0; k < 40; ++k) {
        image.put32(k * 52 + VertexCountField, 100000);
        image.put32(k * 52 + VertexArrayField, vertices);
    }
    EXPECT_EQ(failureOf(image), LoadFailure::TreeTooLarge);
}

TEST(Reader, LimitsOfOneLoad) {
    Image image = triangleImage();
    Header sibling;
    sibling.nameOffset = image.get32(NameField);
    const uint32_t at = addHeader(image, sibling);
    image.put32(SiblingField, at);

    Model model;
    ASSERT_TRUE(readExact(model, image.bytes));
    {
        ReadContext context;
        context.objectsLeft = 1;
        ModelObject object;
        EXPECT_FALSE(object.read(image.bytes.data(), image.size(), 0, context));
        EXPECT_EQ(context.failure, LoadFailure::TooManyObjects);
        EXPECT_EQ(context.failureOffset, at);
    }
    {
        ReadContext context;
        context.bytesLeft = 3 * sizeof(Vertex) + 2 * sizeof(Primitive) + 3 * 2;
        ModelObject object;
        EXPECT_FALSE(object.read(image.bytes.data(), image.size(), 0, context));
        EXPECT_EQ(context.failure, LoadFailure::TreeTooLarge);
    }
    std::vector<uint8_t> huge(4);
    EXPECT_FALSE(model.read(huge.data(), MaxModelFileSize + 1)); // refused before any read
    EXPECT_EQ(model.failure, LoadFailure::FileTooLarge);
}

TEST(Reader, EveryTruncationFails) {
    Image image = triangleImage();
    Header child;
    child.nameOffset = image.get32(NameField);
    child.vertexCount = 3;
    child.vertexArrayOffset = image.get32(VertexArrayField);
    child.primitiveCount = 2;
    child.primitiveArrayOffset = image.get32(PrimitiveArrayField);
    image.put32(ChildField, addHeader(image, child));
    image.addString("tail");
    image.put32(image.get32(ChildField) + NameField, image.size() - 5);

    Model model;
    ASSERT_TRUE(readExact(model, image.bytes));
    const std::set<LoadFailure> expected = {LoadFailure::HeaderOutside,         LoadFailure::VertexArrayOutside,
                                            LoadFailure::PrimitiveArrayOutside, LoadFailure::IndexArrayOutside,
                                            LoadFailure::TextureNameOutside,    LoadFailure::NameOutside};
    for (uint32_t n = 0; n < image.size(); ++n) {
        std::vector<uint8_t> prefix(image.bytes.begin(), image.bytes.begin() + n);
        EXPECT_FALSE(readExact(model, prefix)) << n;
        EXPECT_TRUE(expected.count(model.failure)) << n << ": " << describeLoadFailure(model.failure);
    }
}

TEST(ReadContext, PathSurvivesGrowthAndLeavesInReverse) {
    ReadContext context;
    for (uint32_t i = 0; i < 5000; ++i) ASSERT_TRUE(context.enter(i * 52)) << i;
    EXPECT_EQ(context.objectsLeft, MaxObjects - 5000);
    context.leave(2500);
    for (uint32_t i = 2500; i < 5000; ++i) ASSERT_TRUE(context.enter(i * 52)) << i; // gone from the path
    EXPECT_EQ(context.failure, LoadFailure::None);
    EXPECT_FALSE(context.enter(1234 * 52));
    EXPECT_EQ(context.failure, LoadFailure::Cycle);
    EXPECT_EQ(context.failureOffset, 1234u * 52);
    EXPECT_FALSE(context.fail(LoadFailure::TooDeep, 1)); // the first failure stays
    EXPECT_EQ(context.failure, LoadFailure::Cycle);
}

TEST(Primitive, AccessorsAndDeepCopy) {
    Primitive p;
    p.setColour(0x1FF);
    EXPECT_EQ(p.getColour(), 0xFFu);
    p.setIndex(0, 3); // no array: nothing happens
    EXPECT_EQ(p.getIndex(0), 0xFFFF);
    p.setIndexes(new uint16_t[2]{4, 5}, 2);
    p.setIndex(2, 7);
    EXPECT_EQ(p.getIndex(2), 0xFFFF);
    p.setTextureName(newString("skin"));
    p.trailing2 = 9;

    Primitive copy;
    ASSERT_TRUE(copy.copyFrom(p));
    EXPECT_NE(copy.getIndexes(), p.getIndexes());
    EXPECT_NE(copy.getTextureName(), p.getTextureName());
    EXPECT_STREQ(copy.getTextureName(), "skin");
    EXPECT_EQ(copy.getIndex(1), 5);
    EXPECT_EQ(copy.getColour(), 0xFFu);
    EXPECT_EQ(copy.trailing2, 9u);
    Primitive none;
    ASSERT_TRUE(none.copyFrom(Primitive()));
    EXPECT_EQ(none.getIndexes(), nullptr);
    EXPECT_EQ(none.getTextureName(), nullptr);
}
