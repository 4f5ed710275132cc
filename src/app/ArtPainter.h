#pragma once
// Turns the drawn pictures of the resources (toolbar buttons, program icon)
// into icons: drawn afresh for every size, so they stay sharp when scaled.

#include "src/resources/ToolbarArt.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <array>

namespace ArtPainter {
// The sizes an icon of the desktop comes in, in pixels.
inline constexpr std::array kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};
// The picture at pixels x pixels device pixels.
QImage RenderImage(const ArtPicture& picture, int pixels);
// The picture at size x size device-independent pixels for a device pixel ratio.
QPixmap Render(const ArtPicture& picture, int size, qreal devicePixelRatio = 1.0);
// An icon that draws the picture at whatever size and pixel ratio it is shown;
// the picture must outlive it (the resources' pictures live for the run).
QIcon Icon(const ArtPicture& picture);
} // namespace ArtPainter
