#include "src/app/ArtPainter.h"

#include <QPainter>
#include <QPolygonF>
#include <QRectF>

namespace {

QColor ToColor(std::uint32_t argb) {
    return QColor::fromRgba(static_cast<QRgb>(argb));
}

bool Visible(std::uint32_t argb) {
    return (argb >> 24) != 0;
}

QPolygonF ToPolygon(std::span<const ArtPoint> points) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const ArtPoint& p : points)
        polygon << QPointF(p.x, p.y);
    return polygon;
}

QRectF ToRect(std::span<const ArtPoint> points) {
    if (points.size() < 2)
        return {};
    return QRectF(QPointF(points[0].x, points[0].y), QPointF(points[1].x, points[1].y));
}

void DrawShape(QPainter& painter, const ArtShape& shape) {
    QPen pen(Qt::NoPen);
    if (Visible(shape.pen) && shape.penWidth > 0) {
        pen = QPen(ToColor(shape.pen), shape.penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }
    painter.setPen(pen);
    painter.setBrush(Visible(shape.fill) && shape.kind != ArtShapeKind::Polyline &&
                             shape.kind != ArtShapeKind::Arc
                         ? QBrush(ToColor(shape.fill))
                         : QBrush(Qt::NoBrush));
    switch (shape.kind) {
    case ArtShapeKind::Rect:
        painter.drawRect(ToRect(shape.points));
        break;
    case ArtShapeKind::Ellipse:
        painter.drawEllipse(ToRect(shape.points));
        break;
    case ArtShapeKind::Polygon:
        painter.drawPolygon(ToPolygon(shape.points));
        break;
    case ArtShapeKind::Polyline:
        painter.drawPolyline(ToPolygon(shape.points));
        break;
    case ArtShapeKind::Arc:
        painter.drawArc(ToRect(shape.points), shape.startAngle * 16, shape.spanAngle * 16);
        break;
    }
}

} // namespace

namespace ArtPainter {

QPixmap Render(const ArtPicture& picture, int size, qreal devicePixelRatio) {
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<qreal>(pixels) / kArtSize, static_cast<qreal>(pixels) / kArtSize);
    for (const ArtShape& shape : picture.shapes)
        DrawShape(painter, shape);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon Icon(const ArtPicture& picture) {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        for (qreal ratio : {1.0, 2.0})
            icon.addPixmap(Render(picture, size, ratio));
    return icon;
}

} // namespace ArtPainter
