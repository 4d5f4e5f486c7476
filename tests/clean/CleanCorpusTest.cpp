// The pass over every model of the corpus with several maps, checked against
// what cleaning promises rather than against another implementation.
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "TreeHelpers.h"
#include "clean/CleanResult.h"
#include "model/Model.h"
#include "support/TestSupport.h"

namespace {

bool keeps(const ModelObject& object, uint32_t p, const ColourMap& map)
{
    const Primitive& primitive = object.primitives[p];
    return primitive.textureName != nullptr || map.entry(primitive.colour) < ColourCount
        || int64_t(object.selectionPrimitive) == int64_t(p) || primitive.indexCount == 2;
}

uint32_t expectedColour(uint32_t colour, const ColourMap& map)
{
    return map.entry(colour) < ColourCount ? map.entry(colour) : colour;
}

bool samePrimitive(const ModelObject& original, const Primitive& a, const ModelObject& cleaned, const Primitive& b)
{
    if (a.indexCount != b.indexCount || a.reservedZero != b.reservedZero || a.trailing1 != b.trailing1
        || a.trailing2 != b.trailing2 || a.trailing3 != b.trailing3)
        return false;
    if ((a.textureName == nullptr) != (b.textureName == nullptr))
        return false;
    if (a.textureName != nullptr && std::string(a.textureName) != b.textureName)
        return false;
    for (uint32_t k = 0; k < a.indexCount; ++k) {
        if (!original.vertices[a.indexes[k]].equals(cleaned.vertices[b.indexes[k]]))
            return false;
    }
    return true;
}

// What cleaning promises for one object; "" when all holds.
std::string checkObject(const ModelObject& original, const ModelObject& cleaned, const ColourMap& map)
{
    uint32_t next = 0;
    int32_t selection = original.selectionPrimitive;
    for (uint32_t p = 0; p < original.primitiveCount; ++p) {
        if (!keeps(original, p, map))
            continue; // untextured, a removed colour, not a line, not the selection
        if (next >= cleaned.primitiveCount)
            return "kept primitive " + std::to_string(p) + " is missing";
        const Primitive& from = original.primitives[p];
        const Primitive& to = cleaned.primitives[next];
        if (!samePrimitive(original, from, cleaned, to))
            return "primitive " + std::to_string(p) + " lost coordinates, texture or trailing words";
        if (to.colour != expectedColour(from.colour, map))
            return "primitive " + std::to_string(p) + " has the wrong colour";
        if (int64_t(original.selectionPrimitive) == int64_t(p))
            selection = int32_t(next);
        ++next;
    }
    if (cleaned.selectionPrimitive != selection)
        return "selectionPrimitive " + std::to_string(cleaned.selectionPrimitive) + ", expected " + std::to_string(selection);
    if (next == 0) {
        bool point = cleaned.primitiveCount == 1 && cleaned.vertexCount == 1 && cleaned.primitives[0].indexCount == 1
            && cleaned.primitives[0].indexes[0] == 0 && cleaned.primitives[0].textureName == nullptr
            && cleaned.primitives[0].colour == 0 && cleaned.vertices[0].equals(Vertex{});
        return point ? "" : "an object left empty lacks its one point";
    }
    if (next != cleaned.primitiveCount)
        return "more primitives than were kept";

    // Vertices: no duplicates, none unused, numbered in order of first use.
    std::set<std::tuple<int32_t, int32_t, int32_t>> coordinates;
    for (uint32_t v = 0; v < cleaned.vertexCount; ++v) {
        const Vertex& vertex = cleaned.vertices[v];
        if (!coordinates.insert({vertex.x, vertex.y, vertex.z}).second)
            return "vertex " + std::to_string(v) + " is a duplicate";
    }
    uint32_t firstUnseen = 0;
    for (uint32_t p = 0; p < cleaned.primitiveCount; ++p) {
        for (uint32_t k = 0; k < cleaned.primitives[p].indexCount; ++k) {
            uint32_t index = cleaned.primitives[p].indexes[k];
            if (index > firstUnseen)
                return "vertex numbers do not follow first use";
            if (index == firstUnseen)
                ++firstUnseen;
        }
    }
    if (firstUnseen != cleaned.vertexCount)
        return "unused vertices remain";
    return "";
}

bool hasCorruptIndex(const ModelObject* root)
{
    for (const ModelObject* object : objectsInOrder(root)) {
        for (uint32_t p = 0; p < object->primitiveCount; ++p) {
            for (uint32_t k = 0; k < object->primitives[p].indexCount; ++k) {
                if (object->primitives[p].indexes[k] >= object->vertexCount)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(CleanCorpus, EveryModelWithSeveralMaps)
{
    REQUIRE_CORPUS();
    std::vector<std::string> files = corpusFiles();
    ASSERT_FALSE(files.empty());

    ColourMap keepAll;
    keepAll.keepAll();
    ColourMap removeAll;
    removeAll.removeAll();
    ColourMap replacing; // colour 0 removed, a band recoloured, its target removed
    for (uint32_t c = 80; c < 96; ++c)
        replacing.setEntry(c, 200);
    replacing.setEntry(200, ColourRemoved);
    replacing.setEntry(1, 0);
    ColourMap defaultMap;
    const ColourMap* maps[] = {&defaultMap, &keepAll, &removeAll, &replacing};

    uint32_t cleanedFiles = 0;
    uint32_t corruptFiles = 0;
    std::map<std::string, uint32_t> loadFailures;
    uint64_t primitivesBefore = 0;
    uint64_t primitivesAfter = 0;
    for (const std::string& path : files) {
        std::vector<uint8_t> bytes = readBytes(path);
        Model original;
        if (!original.read(bytes.data(), uint32_t(bytes.size()))) {
            EXPECT_NE(original.failure, LoadFailure::None) << path;
            ++loadFailures[describeLoadFailure(original.failure)];
            continue;
        }
        if (hasCorruptIndex(original.root)) {
            Model model;
            ASSERT_TRUE(model.read(bytes.data(), uint32_t(bytes.size())));
            EXPECT_EQ(model.clean(defaultMap), CleanResult::CorruptIndex) << path;
            EXPECT_EQ(treeDifference(original.root, model.root), "") << path;
            ++corruptFiles;
            continue;
        }
        for (const ColourMap* map : maps) {
            Model model;
            ASSERT_TRUE(model.read(bytes.data(), uint32_t(bytes.size())));
            ASSERT_EQ(model.clean(*map), CleanResult::Cleaned) << path;
            std::vector<const ModelObject*> before = objectsInOrder(original.root);
            std::vector<const ModelObject*> after = objectsInOrder(model.root);
            ASSERT_EQ(before.size(), after.size()) << path;
            for (size_t i = 0; i < before.size(); ++i)
                ASSERT_EQ(checkObject(*before[i], *after[i], *map), "") << path << ", object " << i;
            if (map == &defaultMap) {
                primitivesBefore += original.countPrimitives();
                primitivesAfter += model.countPrimitives();
            }
            if (map == &keepAll) {
                std::unique_ptr<ModelObject> once(copyTree(model.root));
                ASSERT_EQ(model.clean(keepAll), CleanResult::Cleaned);
                ASSERT_EQ(treeDifference(once.get(), model.root), "") << path;
            }
        }
        ++cleanedFiles;
    }

    uint32_t failedFiles = 0;
    std::cout << "[ corpus   ] " << files.size() << " files: " << cleanedFiles << " cleaned with 4 maps, "
              << corruptFiles << " with indexes past their object's vertices";
    for (const auto& [reason, count] : loadFailures) {
        std::cout << ", " << count << " not loaded (" << reason << ")";
        failedFiles += count;
    }
    std::cout << "; default map: " << primitivesBefore << " -> " << primitivesAfter << " faces\n";
    EXPECT_EQ(cleanedFiles + corruptFiles + failedFiles, files.size());
    // Nearly all of the corpus consists of ordinary, loadable models.
    EXPECT_GT(cleanedFiles, files.size() * 9 / 10);
}
