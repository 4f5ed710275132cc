#include "src/app/ArtPainter.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRectF>
#include <algorithm>

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

// Draws the picture afresh for every size and device pixel ratio it is asked
// for, so that icons stay sharp at any scaling.
class ArtIconEngine final : public QIconEngine {
public:
    explicit ArtIconEngine(const ArtPicture& picture) : m_picture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, QIcon::Off, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const int side = std::min(size.width(), size.height());
        QImage image = ArtPainter::RenderImage(m_picture, qRound(side * scale));
        if (mode == QIcon::Disabled)
            image = Greyed(std::move(image));
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int side : ArtPainter::kIconSizes)
            sizes << QSize(side, side);
        return sizes;
    }

    QIconEngine* clone() const override { return new ArtIconEngine(m_picture); }

private:
    // A disabled command: grey and faded, whatever the palette.
    static QImage Greyed(QImage image) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = qGray(line[x]);
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
            }
        }
        return image;
    }

    const ArtPicture& m_picture;
};

} // namespace

namespace ArtPainter {

QImage RenderImage(const ArtPicture& picture, int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<qreal>(pixels) / kArtSize, static_cast<qreal>(pixels) / kArtSize);
    for (const ArtShape& shape : picture.shapes)
        DrawShape(painter, shape);
    return image;
}

QPixmap Render(const ArtPicture& picture, int size, qreal devicePixelRatio) {
    QPixmap pixmap = QPixmap::fromImage(RenderImage(picture, qRound(size * devicePixelRatio)));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon Icon(const ArtPicture& picture) {
    return QIcon(new ArtIconEngine(picture));
}

} // namespace ArtPainter
