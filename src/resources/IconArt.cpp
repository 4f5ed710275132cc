#include "src/resources/IconArt.h"

#include "src/resources/resource.h"

namespace {

using K = ArtShapeKind;

constexpr std::uint32_t kNone = 0x00000000;
constexpr std::uint32_t kBubble = 0xFF2B6CB0;
constexpr std::uint32_t kBubbleEdge = 0xFF1A4A80;
constexpr std::uint32_t kWave = 0xFFFFFFFF;

// A speech bubble holding a sound wave: text turned into speech.
constexpr ArtPoint kBubbleBody[] = {{2, 3}, {30, 24}};
constexpr ArtPoint kBubbleTail[] = {{8, 20}, {6, 30}, {16, 22}};
constexpr ArtPoint kBar1[] = {{8, 12}, {10, 16}};
constexpr ArtPoint kBar2[] = {{12, 8}, {14, 20}};
constexpr ArtPoint kBar3[] = {{16, 6}, {18, 21}};
constexpr ArtPoint kBar4[] = {{20, 9}, {22, 18}};
constexpr ArtPoint kBar5[] = {{24, 12}, {26, 15}};
constexpr ArtShape kIcon[] = {
    {K::Polygon, kBubble, kBubbleEdge, 1.0f, kBubbleTail},
    {K::Ellipse, kBubble, kBubbleEdge, 1.0f, kBubbleBody},
    {K::Rect, kWave, kNone, 0.0f, kBar1},
    {K::Rect, kWave, kNone, 0.0f, kBar2},
    {K::Rect, kWave, kNone, 0.0f, kBar3},
    {K::Rect, kWave, kNone, 0.0f, kBar4},
    {K::Rect, kWave, kNone, 0.0f, kBar5},
};

constexpr ArtPicture kMainFrameIcon{0, kIcon};

} // namespace

const ArtPicture* FindIconPicture(UINT id) {
    return id == IDR_MAINFRAME ? &kMainFrameIcon : nullptr;
}
