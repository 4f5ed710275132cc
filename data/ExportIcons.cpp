// Writes the program icon for the desktop from the same art the window draws:
// an SVG file for hicolor's scalable folder and PNG files of every usual size.
// Usage: vocalith-export-icons OUTPUT_DIR ICON_NAME

#include "src/app/ArtPainter.h"
#include "src/resources/IconArt.h"
#include "src/resources/resource.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

namespace {

std::string Colour(std::uint32_t argb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(argb & 0xFFFFFFu));
    return text;
}

double Opacity(std::uint32_t argb) {
    return static_cast<double>(argb >> 24) / 255.0;
}

std::string Paint(const char* what, std::uint32_t argb) {
    if ((argb >> 24) == 0)
        return std::string(" ") + what + "=\"none\"";
    std::ostringstream out;
    out << ' ' << what << "=\"" << Colour(argb) << '"';
    if ((argb >> 24) != 0xFF)
        out << ' ' << what << "-opacity=\"" << Opacity(argb) << '"';
    return out.str();
}

// A point on the ellipse of the bounding box at an angle in degrees, counted
// anticlockwise from three o'clock as the painter does.
void ArcPoint(double cx, double cy, double rx, double ry, double degrees, std::ostream& out) {
    const double radians = degrees * std::numbers::pi / 180.0;
    out << cx + rx * std::cos(radians) << ',' << cy - ry * std::sin(radians);
}

std::string Shape(const ArtShape& shape) {
    std::ostringstream out;
    const auto& p = shape.points;
    const bool filled = shape.kind != ArtShapeKind::Polyline && shape.kind != ArtShapeKind::Arc;
    std::string style = Paint("fill", filled ? shape.fill : 0);
    if (shape.penWidth > 0 && (shape.pen >> 24) != 0) {
        std::ostringstream pen;
        pen << Paint("stroke", shape.pen) << " stroke-width=\"" << shape.penWidth
            << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
        style += pen.str();
    }
    auto points = [&] {
        std::ostringstream list;
        for (std::size_t i = 0; i < p.size(); ++i)
            list << (i ? " " : "") << p[i].x << ',' << p[i].y;
        return list.str();
    };
    switch (shape.kind) {
    case ArtShapeKind::Rect:
        out << "<rect x=\"" << std::min(p[0].x, p[1].x) << "\" y=\"" << std::min(p[0].y, p[1].y)
            << "\" width=\"" << std::abs(p[1].x - p[0].x) << "\" height=\""
            << std::abs(p[1].y - p[0].y) << '"';
        break;
    case ArtShapeKind::Ellipse:
        out << "<ellipse cx=\"" << (p[0].x + p[1].x) / 2 << "\" cy=\"" << (p[0].y + p[1].y) / 2
            << "\" rx=\"" << std::abs(p[1].x - p[0].x) / 2 << "\" ry=\""
            << std::abs(p[1].y - p[0].y) / 2 << '"';
        break;
    case ArtShapeKind::Polygon:
        out << "<polygon points=\"" << points() << '"';
        break;
    case ArtShapeKind::Polyline:
        out << "<polyline points=\"" << points() << '"';
        break;
    case ArtShapeKind::Arc: {
        const double cx = (p[0].x + p[1].x) / 2.0, cy = (p[0].y + p[1].y) / 2.0;
        const double rx = std::abs(p[1].x - p[0].x) / 2.0, ry = std::abs(p[1].y - p[0].y) / 2.0;
        // In halves, so that a whole circle is drawn too; anticlockwise on
        // screen is SVG's negative sweep.
        const double half = shape.spanAngle / 2.0;
        const int sweep = shape.spanAngle > 0 ? 0 : 1;
        out << "<path d=\"M";
        ArcPoint(cx, cy, rx, ry, shape.startAngle, out);
        for (int i = 1; i <= 2; ++i) {
            out << " A" << rx << ',' << ry << " 0 0," << sweep << ' ';
            ArcPoint(cx, cy, rx, ry, shape.startAngle + half * i, out);
        }
        out << '"';
        break;
    }
    }
    out << style << "/>\n";
    return out.str();
}

bool WriteSvg(const ArtPicture& picture, const std::filesystem::path& file) {
    std::ofstream out(file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kArtSize << "\" height=\""
        << kArtSize << "\" viewBox=\"0 0 " << kArtSize << ' ' << kArtSize << "\">\n";
    for (const ArtShape& shape : picture.shapes)
        out << "  " << Shape(shape);
    out << "</svg>\n";
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR ICON_NAME\n", argv[0]);
        return 2;
    }
    const ArtPicture* picture = FindIconPicture(IDR_MAINFRAME);
    if (!picture)
        return 1;
    const std::filesystem::path dir = argv[1];
    const std::string name = argv[2];
    std::filesystem::create_directories(dir / "scalable/apps");
    if (!WriteSvg(*picture, dir / "scalable/apps" / (name + ".svg")))
        return 1;
    for (int side : ArtPainter::kIconSizes) {
        const std::string size = std::to_string(side) + 'x' + std::to_string(side);
        std::filesystem::create_directories(dir / size / "apps");
        const std::string file = (dir / size / "apps" / (name + ".png")).string();
        if (!ArtPainter::RenderImage(*picture, side).save(QString::fromStdString(file), "PNG"))
            return 1;
    }
    return 0;
}
