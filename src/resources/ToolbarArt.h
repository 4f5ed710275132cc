#pragma once
// Toolbar 128: its buttons and separators in order, and the ten 32 x 32
// pictures of its buttons, drawn as a few shapes each so that they stay sharp
// at any scale. Colours are 0xAARRGGBB; alpha 0 means "not drawn".

#include "platform/com/types.h"

#include <cstdint>
#include <span>

inline constexpr int kArtSize = 32;

struct ArtPoint {
    float x, y;
};

enum class ArtShapeKind {
    Rect,     // points: top-left, bottom-right
    Ellipse,  // points: top-left, bottom-right of its bounding box
    Polygon,  // closed outline through the points
    Polyline, // open line through the points; never filled
    Arc,      // points: bounding box as for Ellipse; startAngle/spanAngle in degrees,
              // counter-clockwise from three o'clock
};

struct ArtShape {
    ArtShapeKind kind;
    std::uint32_t fill;
    std::uint32_t pen;
    float penWidth;
    std::span<const ArtPoint> points;
    int startAngle = 0;
    int spanAngle = 0;
};

struct ArtPicture {
    UINT commandId; // the button it belongs to; 0 for a picture of its own
    std::span<const ArtShape> shapes;
};

// The buttons of toolbar 128 from left to right; 0 stands for a separator.
std::span<const UINT> ToolbarButtons();
// The picture of a toolbar button; nullptr for an id without one.
const ArtPicture* FindToolbarPicture(UINT commandId);
