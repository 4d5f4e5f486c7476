// The reader: every field, malformed and hostile files, the limits of one load,
// and the corpus: each file loads, or fails for a reason its own bytes explain.
#include <cstddef>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "model/BufferReaders.h"
#include "model/Format.h"
#include "model/ReadContext.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace {

using F = LoadFailure;
using Values = std::vector<int64_t>;

// A root of 3 vertices, a textured triangle and a line sharing its index bytes,
// and an empty child whose name ends the file. Field values are all distinct.
struct Sample {
    Image image;
    uint32_t triangle, line, child;
};
Sample sample()
{
    Sample s;
    Image& im = s.image;
    im.add({1, 3, 2, 5, 0x80000000u, 0xFFFFFFFFu, 7, 0, 0, 0, 0, 0, 0});
    im.putField(0, HeaderField::NameOffset, im.addString("base"));
    im.putField(0, HeaderField::VertexArrayOffset, im.add({0, 100, 200, 300, 400, 500, 600, 700, 800}));
    const uint32_t indexes = im.add16({200, 1, 2}); // an index past vertexCount is kept
    s.triangle = im.add({0x105, 3, 0, indexes, im.addString("tex1"), 0xFFFFFFFFu, 1, 0xDEADBEEFu});
    s.line = im.add({9, 2, 0, indexes + 2, 0, 0, 0, 0});
    im.putField(0, HeaderField::PrimitiveArrayOffset, s.triangle);
    s.child = im.addHeader(0);
    im.putField(0, HeaderField::ChildOffset, s.child);
    im.putField(s.child, HeaderField::NameOffset, im.addString("tail"));
    return s;
}

// Headers at 52 x k named by one string after them; links[k] = (child, sibling)
// as header numbers, 0 for none.
using Links = std::vector<std::pair<uint32_t, uint32_t>>;
Image linked(const Links& links)
{
    Image im;
    for (const auto& link : links) {
        const uint32_t at = im.addHeader(52 * static_cast<uint32_t>(links.size()));
        im.putField(at, HeaderField::ChildOffset, 52 * link.first);
        im.putField(at, HeaderField::SiblingOffset, 52 * link.second);
    }
    im.addString("x");
    return im;
}

// Header k's child is header k + 1, n links deep.
Links chain(uint32_t n)
{
    Links links;
    for (uint32_t k = 0; k <= n; ++k)
        links.push_back({k < n ? k + 1 : 0, 0});
    return links;
}

// The records of the sample that a malformed shape changes.
enum Record : uint8_t { Root, Child, Triangle, Line };

// One field of the sample set to a value (counted back from the end of the file
// when fromEnd), the failure that must follow and the field where it is found:
// the field changed, another field of the same record, or the header that the
// value names (Named).
struct MalformedShape {
    const char* name;
    Record record;
    uint32_t field;
    uint32_t value;
    bool fromEnd;
    F why;
    uint32_t failField;
};

constexpr uint32_t Same = ~0u, Named = ~0u - 1;
namespace Hd = HeaderField;
namespace Pr = PrimitiveField;

const MalformedShape MalformedShapes[] = {
    {"version 2: not a model", Root, Hd::Version, 2, false, F::NotAModel, Same},
    {"child of version 0", Child, Hd::Version, 0, false, F::BadVersion, Same},
    {"vertex count all ones", Root, Hd::VertexCount, ~0u, false, F::BadHeaderField, Same},
    {"primitive count all ones", Root, Hd::PrimitiveCount, ~0u, false, F::BadHeaderField, Same},
    {"name offset all ones", Root, Hd::NameOffset, ~0u, false, F::BadHeaderField, Same},
    {"reserved header word set", Root, Hd::ReservedZero, 1, false, F::HeaderReservedNotZero, Same},
    {"vertex array offset all ones", Root, Hd::VertexArrayOffset, ~0u, false, F::BadHeaderField, Same},
    {"child offset all ones", Child, Hd::ChildOffset, ~0u, false, F::BadHeaderField, Same},
    // Offsets exactly at the end fail; what ends exactly at the end loads.
    {"name at the end", Child, Hd::NameOffset, 0, true, F::NameOutside, Same},
    {"name is the last byte", Child, Hd::NameOffset, 1, true, F::None, 0},
    {"child header cut short", Root, Hd::ChildOffset, 51, true, F::HeaderOutside, Named},
    {"sibling header past 4 GiB", Child, Hd::SiblingOffset, ~0u - 15, false, F::HeaderOutside, Named},
    {"vertices end at the end", Root, Hd::VertexArrayOffset, 36, true, F::None, 0},
    {"vertices end a byte late", Root, Hd::VertexArrayOffset, 35, true, F::VertexArrayOutside, Same},
    // An empty array reads no byte: its offset may be the end, never beyond.
    {"no vertices, offset at the end", Child, Hd::VertexArrayOffset, 0, true, F::None, 0},
    {"no vertices, offset past the end", Child, Hd::VertexArrayOffset, ~0u, true, F::VertexArrayOutside, Same},
    {"indexes end at the end", Line, Pr::IndexArrayOffset, 4, true, F::None, 0},
    {"indexes end a byte late", Line, Pr::IndexArrayOffset, 3, true, F::IndexArrayOutside, Same},
    {"texture name at the end", Triangle, Pr::TextureNameOffset, 0, true, F::TextureNameOutside, Same},
    // count x size wraps around to a small number.
    {"vertex count that wraps", Root, Hd::VertexCount, 0x15555556u, false, F::VertexArrayOutside,
     Hd::VertexArrayOffset},
    {"primitive count that wraps", Root, Hd::PrimitiveCount, 0x08000002u, false, F::PrimitiveArrayOutside,
     Hd::PrimitiveArrayOffset},
    {"index count that wraps", Line, Pr::IndexCount, 0x80000002u, false, F::IndexArrayOutside, Pr::IndexArrayOffset},
    {"index count all ones", Line, Pr::IndexCount, ~0u, false, F::BadIndexCount, Same},
    {"reserved primitive word set", Line, Pr::ReservedZero, 3, false, F::PrimitiveReservedNotZero, Same},
};

} // namespace

TEST(Reader, ValidFileLoadsEveryField)
{
    Sample s = sample();
    Model model;
    ASSERT_TRUE(readExact(model, s.image.bytes)) << int(model.fault.what);
    const ModelObject& r = *model.root;
    ASSERT_TRUE(r.vertexCount == 3 && r.primitiveCount == 2 && r.child != nullptr);
    const Primitive &t = r.primitives[0], &l = r.primitives[1];
    EXPECT_EQ(Values({r.selectionPrimitive, r.offsetX,       r.offsetY,    r.offsetZ,    r.vertices[1].x,
                      r.vertices[1].y,      r.vertices[2].z, t.colourWord, t.indexCount, t.indexes[0],
                      t.indexes[1],         t.indexes[2],    t.trailing1,  t.trailing2,  t.trailing3,
                      l.colourWord,         l.indexCount,    l.indexes[0], l.indexes[1], model.loadedSize}),
              Values({5, INT32_MIN, -1,         7, 300,        400, 800, 0x105, 3, 200,
                      1, 2,         0xFFFFFFFF, 1, 0xDEADBEEF, 9,   2,   1,     2, s.image.size()}));
    EXPECT_STREQ(r.name, "base");
    EXPECT_STREQ(t.getTextureName(), "tex1");
    EXPECT_EQ(l.getTextureName(), nullptr);
    EXPECT_STREQ(r.child->name, "tail");
    EXPECT_TRUE(r.child->vertices != nullptr && r.child->primitives != nullptr); // empty arrays are present
    const uint8_t four[4] = {1, 2, 3, 4}; // fields past the end, with and without wrap-around
    EXPECT_EQ(Values({readField(four, 4, 1), readField(four, 4, 0xFFFFFFFEu)}), Values({InvalidOffset, InvalidOffset}));
}

TEST(Reader, MalformedShapesFailWithReasonAndPlace)
{
    const Sample s = sample();
    const uint32_t starts[] = {0, s.child, s.triangle, s.line};
    for (const MalformedShape& shape : MalformedShapes) {
        Image im = s.image;
        const uint32_t value = shape.fromEnd ? im.size() - shape.value : shape.value;
        im.put32(starts[shape.record] + fieldOffset(shape.field), value);
        const uint32_t failField = shape.failField == Same ? shape.field : shape.failField;
        const uint32_t where = shape.why == F::None ? 0
            : shape.failField == Named              ? value
                                                    : starts[shape.record] + fieldOffset(failField);
        Model model;
        const bool ok = shape.why == F::None; // the tree is kept only when the load succeeds
        EXPECT_EQ(
            Values({readExact(model, im.bytes), model.root != nullptr, int(model.fault.what), model.fault.offset}),
            Values({ok, ok, int(shape.why), where}))
            << shape.name;
    }
}

TEST(Reader, EveryTruncationFails)
{
    const Bytes bytes = sample().image.bytes;
    const std::set<F> expected = {
        F::EmptyFile,         F::HeaderOutside,      F::VertexArrayOutside, F::PrimitiveArrayOutside,
        F::IndexArrayOutside, F::TextureNameOutside, F::NameOutside};
    for (size_t n = 0; n < bytes.size(); ++n) {
        Model model;
        EXPECT_FALSE(readExact(model, Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)))) << n;
        EXPECT_TRUE(expected.count(model.fault.what)) << n << ": " << int(model.fault.what);
    }
}

TEST(Reader, CyclesDepthAndTreeSize)
{
    Links cycleBelowGrownPath = chain(MaxObjectDepth);
    cycleBelowGrownPath.back().second = 1;
    Links leftThenNamedAgain = chain(200); // the root's sibling is a header the path has left
    leftThenNamedAgain[0].second = 100;
    Links doubling; // header k's child and sibling are both k + 1: 2^40 objects
    for (uint32_t k = 0; k < 40; ++k)
        doubling.push_back({k < 39 ? k + 1 : 0, k < 39 ? k + 1 : 0});
    const struct {
        const char* what;
        Links links;
        F why;
    } cases[] = {
        {"sibling is itself", {{1, 0}, {0, 1}}, F::Cycle},
        {"child is itself", {{1, 0}, {1, 0}}, F::Cycle},
        {"grandchild is the child", {{1, 0}, {2, 0}, {1, 0}}, F::Cycle},
        {"sibling chain returns to its start", {{0, 1}, {0, 2}, {0, 1}}, F::Cycle},
        {"grandchild's sibling is its parent's left sibling", {{1, 0}, {0, 2}, {3, 0}, {0, 1}}, F::Cycle},
        {"headers named again off the path", {{1, 3}, {3, 2}, {3, 0}, {0, 0}}, F::None},
        {"deepest allowed", chain(MaxObjectDepth), F::None},
        {"one level deeper", chain(MaxObjectDepth + 1), F::TooDeep},
        {"cycle below a grown path", cycleBelowGrownPath, F::Cycle},
        {"left then named again", leftThenNamedAgain, F::None},
        {"doubling chain", doubling, F::TooManyObjects},
    };
    for (const auto& k : cases) {
        Model model;
        EXPECT_EQ(readExact(model, linked(k.links).bytes), k.why == F::None) << k.what;
        EXPECT_EQ(model.fault.what, k.why) << k.what;
    }

    // With a large vertex array in every header, tree memory runs out first.
    Image im = linked(doubling);
    im.bytes.resize(12 * 100000);
    for (uint32_t k = 0; k < 40; ++k)
        im.putField(52 * k, HeaderField::VertexCount, 100000);
    Model model;
    EXPECT_FALSE(readExact(model, im.bytes));
    EXPECT_EQ(model.fault.what, F::TreeTooLarge);
    EXPECT_FALSE(model.read(im.bytes.data(), MaxModelFileSize + 1)); // refused before any read
    EXPECT_EQ(model.fault.what, F::FileTooLarge);
}

TEST(Primitive, InlineStorageReadAndMoved)
{
    // Index lists and names on both sides of what a primitive holds inside
    // itself, read and moved over a primitive that had a name of its own. ASan
    // sees any overrun and any storage two primitives share.
    const std::string names[] = {"", "fifteen_chars__", "sixteen_chars___", std::string(300, 'n')};
    for (uint32_t count : {0u, 4u, 5u, 300u}) {
        for (const std::string& name : names) {
            Image im{Bytes(1, 0)}; // offset 0 would mean no texture
            std::vector<uint16_t> values;
            for (uint32_t i = 0; i < count; ++i) {
                values.push_back(uint16_t(i * 7));
                im.add16({values.back()});
            }
            const uint32_t record = im.add({1, count, 0, 1, im.addString(name.c_str()), 0, 0, 0});
            ReadContext context;
            Primitive read, again, moved;
            ASSERT_TRUE(read.read(im.bytes.data(), im.size(), record, context)) << count << name;
            ASSERT_TRUE(again.read(im.bytes.data(), im.size(), record, context)) << count << name;
            moved.setTextureName(newString("old name that is long enough to live outside"));
            moved.takeFrom(read);
            for (const Primitive* q : {&again, &moved}) {
                EXPECT_EQ(std::vector<uint16_t>(q->getIndexes(), q->getIndexes() + q->getIndexCount()), values);
                EXPECT_EQ(q->getTextureName(), name) << count;
                EXPECT_EQ(q->getTextureNameLength(), name.size());
            }
            EXPECT_TRUE(again.sameTextureName(moved) && read.getTextureName() == nullptr);
            again.setTextureName(newString((name + "x").c_str()));
            EXPECT_FALSE(again.sameTextureName(moved));
        }
    }
}

TEST(Corpus, AllButTwoLoadAndRoundTrip)
{
    REQUIRE_CORPUS();
    int refused = 0;
    for (const std::string& path : corpusFiles()) {
        Model model, again;
        if (!model.load(path.c_str())) {
            ++refused; // the malformed shapes show why; here only how many
            continue;
        }
        const Bytes first = composeBytes(model);
        ASSERT_TRUE(readExact(again, first)) << path << ": failure " << int(again.fault.what);
        EXPECT_EQ(planOf(again.root), planOf(model.root)) << path;
        EXPECT_EQ(composeBytes(again), first) << path;
    }
    EXPECT_EQ(refused, 2) << "the corpus holds one empty file and one that is not a model";
}
