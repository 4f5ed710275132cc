#pragma once
// Turns the drawn pictures of the resources (toolbar buttons, program icon)
// into icons: drawn afresh for every size, so they stay sharp when scaled.

#include "src/resources/ToolbarArt.h"

#include <QIcon>
#include <QPixmap>

namespace ArtPainter {
// The picture at size x size device-independent pixels for a device pixel ratio.
QPixmap Render(const ArtPicture& picture, int size, qreal devicePixelRatio = 1.0);
// An icon holding the picture at 16, 24, 32 and 48 pixels, each at 1x and 2x.
QIcon Icon(const ArtPicture& picture);
} // namespace ArtPainter
