#include "platform/audio/FrameAssembler.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {

// What the assembler handed on: every call's frame count, and the bytes in order.
struct Delivered {
    std::vector<std::size_t> calls;
    std::vector<std::uint8_t> bytes;
};

// Feeds 0, 1, 2, ... cut into blocks of the given sizes.
Delivered FeedInBlocks(FrameAssembler& frames, std::size_t frameBytes,
                       const std::vector<std::size_t>& blocks, std::uint8_t first = 0) {
    Delivered out;
    std::uint8_t next = first;
    for (std::size_t size : blocks) {
        std::vector<std::uint8_t> block(size);
        std::iota(block.begin(), block.end(), next);
        next = static_cast<std::uint8_t>(next + size);
        const HRESULT hr =
            frames.Feed(block.data(), block.size(), [&](const std::uint8_t* p, std::size_t n) {
                out.calls.push_back(n);
                out.bytes.insert(out.bytes.end(), p, p + n * frameBytes);
                return S_OK;
            });
        EXPECT_EQ(hr, S_OK);
    }
    return out;
}

TEST(FrameAssembler, HandsOnWholeFramesInOrderWhereverTheBlocksAreCut) {
    struct Case {
        const char* name;
        std::size_t frameBytes;
        std::vector<std::size_t> blocks;
        std::vector<std::size_t> calls; // frames per delivery
        std::size_t held;               // bytes kept at the end
    };
    const Case cases[] = {
        {"whole frames", 4, {8, 4}, {2, 1}, 0},
        {"a frame split in two", 4, {6, 2}, {1, 1}, 0},
        {"a frame split across three blocks", 4, {1, 1, 2}, {1}, 0},
        {"the rest of a split frame and more", 4, {3, 9}, {1, 2}, 0},
        {"a piece left at the end", 2, {5}, {2}, 1},
        {"one-byte frames never wait", 1, {3, 1}, {3, 1}, 0},
        {"an empty block", 4, {2, 0, 2}, {1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameAssembler frames;
        frames.Start(c.frameBytes);
        const Delivered out = FeedInBlocks(frames, c.frameBytes, c.blocks);
        EXPECT_EQ(out.calls, c.calls);
        const std::size_t total = std::accumulate(c.blocks.begin(), c.blocks.end(), std::size_t{0});
        std::vector<std::uint8_t> expected(total - c.held);
        std::iota(expected.begin(), expected.end(), std::uint8_t{0});
        EXPECT_EQ(out.bytes, expected);
        EXPECT_EQ(frames.HeldBytes(), c.held);
    }
}

TEST(FrameAssembler, ANewStreamOrAClearDropsTheHeldPiece) {
    for (bool restart : {true, false}) {
        FrameAssembler frames;
        frames.Start(4);
        FeedInBlocks(frames, 4, {3});
        if (restart)
            frames.Start(4);
        else
            frames.Clear();
        const Delivered out = FeedInBlocks(frames, 4, {4}, 100);
        EXPECT_EQ(out.bytes, (std::vector<std::uint8_t>{100, 101, 102, 103}));
    }
}

TEST(FrameAssembler, AFailedDeliveryIsTheResultAndKeepsNothing) {
    FrameAssembler frames;
    frames.Start(4);
    const std::uint8_t block[6] = {};
    EXPECT_EQ(
        frames.Feed(block, sizeof block, [](const std::uint8_t*, std::size_t) { return E_ABORT; }),
        E_ABORT);
    EXPECT_EQ(frames.HeldBytes(), 0u);
    FrameAssembler unstarted;
    EXPECT_EQ(
        unstarted.Feed(block, sizeof block, [](const std::uint8_t*, std::size_t) { return S_OK; }),
        E_UNEXPECTED);
}

} // namespace
