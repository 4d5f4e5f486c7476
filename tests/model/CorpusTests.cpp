// Every corpus file loads, or fails for a reason that the file's own bytes
// explain; every loaded file composes to an image that reads back and composes
// to the same bytes.
#include <cstdio>
#include <map>

#include <gtest/gtest.h>

#include "ModelBuilders.h"
#include "model/Model.h"
#include "support/TestSupport.h"

namespace {

// Why the file at path was refused, checked against its bytes; empty when the
// reason is not one a real file is expected to have.
std::string explainFailure(const Model& model, const std::vector<uint8_t>& bytes) {
    Image image;
    image.bytes = bytes;
    const uint32_t at = model.failureOffset;
    switch (model.failure) {
    case LoadFailure::HeaderOutside:
        if (at <= image.size() && image.size() - at < 52) return "header cut short";
        break;
    case LoadFailure::BadVersion:
        if (image.get32(at) != 1) return "version " + std::to_string(image.get32(at));
        break;
    case LoadFailure::VertexArrayOutside:
    case LoadFailure::PrimitiveArrayOutside:
        // at is the array's offset field; the count field is 32 bytes before it.
        if (image.get32(at) == image.size() && image.get32(at - 32) == 0) return "empty array at the end of the file";
        break;
    default:
        break;
    }
    return std::string();
}

} // namespace

TEST(Corpus, LoadsOrFailsForAKnownReasonAndRoundTrips) {
    REQUIRE_CORPUS();
    std::map<LoadFailure, int> failures;
    int loaded = 0;
    for (const std::string& path : corpusFiles()) {
        Model model;
        if (!model.load(path.c_str())) {
            ++failures[model.failure];
            const std::string reason = explainFailure(model, readBytes(path));
            EXPECT_FALSE(reason.empty()) << path << ": " << describeLoadFailure(model.failure) << " at "
                                         << model.failureOffset;
            continue;
        }
        ++loaded;
        const std::vector<uint8_t> first = composeBytes(model);
        ASSERT_FALSE(first.empty()) << path;
        Model again;
        ASSERT_TRUE(readExact(again, first)) << path << ": " << describeLoadFailure(again.failure);
        EXPECT_EQ(again.countVertices(), model.countVertices()) << path;
        EXPECT_EQ(again.countPrimitives(), model.countPrimitives()) << path;
        EXPECT_EQ(composeBytes(again), first) << path;
    }
    std::printf("%d files loaded\n", loaded);
    for (const auto& f : failures) std::printf("%4d refused: %s\n", f.second, describeLoadFailure(f.first));
    EXPECT_GT(loaded, 0);
}
