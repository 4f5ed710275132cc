#include "src/resources/ToolbarArt.h"

#include "src/resources/IconArt.h"
#include "src/resources/resource.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

// Shapes must lie on the 32 x 32 canvas and carry the points their kind needs;
// a shape that is neither filled nor outlined would draw nothing.
void ExpectDrawable(const ArtPicture& picture, UINT id) {
    ASSERT_FALSE(picture.shapes.empty()) << id;
    for (const ArtShape& shape : picture.shapes) {
        switch (shape.kind) {
        case ArtShapeKind::Rect:
        case ArtShapeKind::Ellipse:
        case ArtShapeKind::Arc:
            ASSERT_EQ(shape.points.size(), 2u) << id;
            EXPECT_LT(shape.points[0].x, shape.points[1].x) << id;
            EXPECT_LT(shape.points[0].y, shape.points[1].y) << id;
            break;
        case ArtShapeKind::Polyline:
            EXPECT_GE(shape.points.size(), 2u) << id;
            break;
        case ArtShapeKind::Polygon:
            EXPECT_GE(shape.points.size(), 3u) << id;
            break;
        }
        const bool filled = (shape.fill >> 24) != 0 && shape.kind != ArtShapeKind::Polyline &&
                            shape.kind != ArtShapeKind::Arc;
        const bool outlined = (shape.pen >> 24) != 0 && shape.penWidth > 0;
        EXPECT_TRUE(filled || outlined) << id;
        for (const ArtPoint& p : shape.points) {
            EXPECT_GE(p.x, 0) << id;
            EXPECT_GE(p.y, 0) << id;
            EXPECT_LE(p.x, kArtSize) << id;
            EXPECT_LE(p.y, kArtSize) << id;
        }
    }
}

TEST(ToolbarArtTest, ToolbarHoldsTheButtonsAndSeparatorsInOrder) {
    const std::vector<UINT> expected = {ID_EDIT_CUT, ID_EDIT_COPY,  ID_EDIT_PASTE,
                                        0,           ID_EDIT_UNDO,  ID_EDIT_REDO,
                                        0,           ID_FILE_SPEAK, ID_FILE_SPEAK_SELECTED,
                                        0,           ID_FILE_WRITE, ID_FILE_WRITE_SELECTED,
                                        0,           ID_FILE_STOP};
    const auto buttons = ToolbarButtons();
    EXPECT_EQ(std::vector<UINT>(buttons.begin(), buttons.end()), expected);
}

TEST(ToolbarArtTest, EveryButtonHasADrawablePictureOfItsOwn) {
    std::set<const ArtShape*> pictures;
    for (UINT id : ToolbarButtons()) {
        if (id == 0)
            continue;
        const ArtPicture* picture = FindToolbarPicture(id);
        ASSERT_NE(picture, nullptr) << id;
        EXPECT_EQ(picture->commandId, id);
        ExpectDrawable(*picture, id);
        EXPECT_TRUE(pictures.insert(picture->shapes.data()).second) << id;
    }
    EXPECT_EQ(pictures.size(), 10u);
    EXPECT_EQ(FindToolbarPicture(ID_APP_ABOUT), nullptr);
}

TEST(ToolbarArtTest, ProgramIconIsDrawable) {
    const ArtPicture* icon = FindIconPicture(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    ExpectDrawable(*icon, IDR_MAINFRAME);
    EXPECT_EQ(FindIconPicture(IDR_CONTEXTMENU), nullptr);
}

} // namespace
