// The GAF reader: both frame layouts decoded exactly, malformed files refused for
// their reason, and every truncation refused without reading past the end.
#include <tuple>

#include <gtest/gtest.h>

#include "RenderSupport.h"
#include "render/GafFile.h"

namespace {

// What decoding both entries of a copy of exactly these bytes gives.
std::pair<GafResult, GafResult> decodeBoth(const Bytes& bytes, GafFrame frames[2])
{
    const Bytes exact(bytes);
    GafFile gaf;
    const GafResult opened = gaf.open(exact.data(), uint32_t(exact.size()));
    if (opened != GafResult::Ok)
        return {opened, opened};
    return {gaf.decodeFirstFrame(0, frames[0]), gaf.decodeFirstFrame(1, frames[1])};
}

std::vector<uint8_t> values(const uint8_t* at, uint32_t count) { return std::vector<uint8_t>(at, at + count); }

} // namespace

TEST(GafFile, DecodesPlainAndCompressedFramesExactly)
{
    const Bytes bytes = twoEntryGaf();
    GafFile gaf;
    ASSERT_EQ(gaf.open(bytes.data(), uint32_t(bytes.size())), GafResult::Ok);
    char names[2][GafNameSize + 1];
    ASSERT_EQ(std::make_pair(gaf.entryName(0, names[0]), gaf.entryName(1, names[1])),
              std::make_pair(GafResult::Ok, GafResult::Ok));
    EXPECT_EQ(std::make_pair(std::string(names[0]), std::string(names[1])),
              std::make_pair(std::string("plain"), std::string("Packed")));
    GafFrame frames[2];
    ASSERT_EQ(decodeBoth(bytes, frames), std::make_pair(GafResult::Ok, GafResult::Ok));
    EXPECT_EQ(
        std::make_tuple(frames[0].width, frames[0].height, values(frames[0].indexes, 4), values(frames[0].drawn, 4)),
        std::make_tuple(2u, 2u, std::vector<uint8_t>{1, 2, 3, 4}, std::vector<uint8_t>{1, 1, 1, 1}));
    EXPECT_EQ(
        std::make_tuple(frames[1].width, frames[1].height, values(frames[1].indexes, 8), values(frames[1].drawn, 8)),
        std::make_tuple(4u, 2u, std::vector<uint8_t>{0, 7, 7, 0, 9, 10, 11, 0},
                        std::vector<uint8_t>{0, 1, 1, 0, 1, 1, 1, 0}));
}

TEST(GafFile, MalformedFilesAreRefusedForTheirReason)
{
    const Bytes good = twoEntryGaf();
    // The 32-bit field at at set to value, or with wide false the 16-bit one.
    auto changed = [&](uint32_t at, uint32_t value, bool wide) {
        Image image{good};
        const uint32_t kept = wide ? 0 : image.get32(at) & 0xFFFF0000u;
        image.put32(at, kept | value);
        return image.bytes;
    };
    const std::tuple<const char*, Bytes, GafResult, GafResult> cases[] = {
        {"another version", changed(0, 0x00010101u, true), GafResult::NotGaf, GafResult::NotGaf},
        {"an entry table past the end", changed(4, 0x40000000u, true), GafResult::EntryOutside,
         GafResult::EntryOutside},
        {"an entry past the end", changed(16, 200, true), GafResult::Ok, GafResult::EntryOutside},
        {"no frames", changed(20, 0, false), GafResult::NoFrames, GafResult::Ok},
        {"a frame record past the end", changed(60, 190, true), GafResult::FrameOutside, GafResult::Ok},
        {"a frame of no pixels", changed(116, 0, false), GafResult::BadFrame, GafResult::Ok},
        {"a frame of too many pixels", changed(116, 0xFFFFFFFFu, true), GafResult::BadFrame, GafResult::Ok},
        {"pixels past the end", changed(132, 205, true), GafResult::PixelsOutside, GafResult::Ok},
        {"a subframe with subframes", changed(182, 1, false), GafResult::Ok, GafResult::BadFrame},
        {"a row longer than the file", changed(201, 9, false), GafResult::Ok, GafResult::PixelsOutside},
        {"a repeat past its row", changed(196, 2, false), GafResult::Ok, GafResult::PixelsOutside},
    };
    for (const auto& [what, bytes, first, second] : cases) {
        GafFrame frames[2];
        EXPECT_EQ(decodeBoth(bytes, frames), std::make_pair(first, second)) << what;
    }
}

TEST(GafFile, EveryTruncationFailsAFrameAndReadsNothingPastTheEnd)
{
    const Bytes good = twoEntryGaf();
    for (size_t n = 0; n < good.size(); ++n) {
        GafFrame frames[2];
        const auto results = decodeBoth(Bytes(good.begin(), good.begin() + std::ptrdiff_t(n)), frames);
        EXPECT_FALSE(results.first == GafResult::Ok && results.second == GafResult::Ok) << n;
    }
}
