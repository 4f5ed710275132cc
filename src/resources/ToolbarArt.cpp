#include "src/resources/ToolbarArt.h"

#include "src/resources/resource.h"

namespace {

using K = ArtShapeKind;

// A small palette keeps the ten buttons looking like one set.
constexpr std::uint32_t kNone = 0x00000000;
constexpr std::uint32_t kInk = 0xFF2F3640;
constexpr std::uint32_t kPaper = 0xFFFFFFFF;
constexpr std::uint32_t kRule = 0xFF8A939C;
constexpr std::uint32_t kFold = 0xFFD5DAE0;
constexpr std::uint32_t kBlue = 0xFF2B6CB0;
constexpr std::uint32_t kSky = 0xFF4C9BE8;
constexpr std::uint32_t kSelection = 0xFFA9CCF5;
constexpr std::uint32_t kRed = 0xFFD33A3F;
constexpr std::uint32_t kDarkRed = 0xFF8E1F24;
constexpr std::uint32_t kBoard = 0xFFB07A3E;
constexpr std::uint32_t kMetal = 0xFF9AA3AD;

// Cut: open scissors, handles down.
constexpr ArtPoint kCutBladeA[] = {{11, 3}, {20, 20}};
constexpr ArtPoint kCutBladeB[] = {{21, 3}, {12, 20}};
constexpr ArtPoint kCutPivot[] = {{14.5f, 10.5f}, {17.5f, 13.5f}};
constexpr ArtPoint kCutRingA[] = {{5, 20}, {14, 29}};
constexpr ArtPoint kCutRingB[] = {{18, 20}, {27, 29}};
constexpr ArtShape kCut[] = {
    {K::Polyline, kNone, kMetal, 3.0f, kCutBladeA}, {K::Polyline, kNone, kMetal, 3.0f, kCutBladeB},
    {K::Ellipse, kInk, kNone, 0.0f, kCutPivot},     {K::Ellipse, kNone, kRed, 2.5f, kCutRingA},
    {K::Ellipse, kNone, kRed, 2.5f, kCutRingB},
};

// Copy: two sheets, the copy in front.
constexpr ArtPoint kCopyBack[] = {{4, 3}, {18, 21}};
constexpr ArtPoint kCopyBackRule1[] = {{7, 8}, {15, 8}};
constexpr ArtPoint kCopyBackRule2[] = {{7, 12}, {12, 12}};
constexpr ArtPoint kCopyFront[] = {{13, 10}, {28, 29}};
constexpr ArtPoint kCopyRule1[] = {{16, 15}, {25, 15}};
constexpr ArtPoint kCopyRule2[] = {{16, 19}, {25, 19}};
constexpr ArtPoint kCopyRule3[] = {{16, 23}, {22, 23}};
constexpr ArtShape kCopy[] = {
    {K::Rect, kPaper, kInk, 1.5f, kCopyBack},
    {K::Polyline, kNone, kRule, 1.5f, kCopyBackRule1},
    {K::Polyline, kNone, kRule, 1.5f, kCopyBackRule2},
    {K::Rect, kPaper, kInk, 1.5f, kCopyFront},
    {K::Polyline, kNone, kRule, 1.5f, kCopyRule1},
    {K::Polyline, kNone, kRule, 1.5f, kCopyRule2},
    {K::Polyline, kNone, kRule, 1.5f, kCopyRule3},
};

// Paste: a clipboard with a sheet on it.
constexpr ArtPoint kPasteBoard[] = {{4, 5}, {22, 29}};
constexpr ArtPoint kPasteClip[] = {{9, 2}, {17, 8}};
constexpr ArtPoint kPasteSheet[] = {{13, 12}, {28, 30}};
constexpr ArtPoint kPasteRule1[] = {{16, 17}, {25, 17}};
constexpr ArtPoint kPasteRule2[] = {{16, 21}, {25, 21}};
constexpr ArtPoint kPasteRule3[] = {{16, 25}, {22, 25}};
constexpr ArtShape kPaste[] = {
    {K::Rect, kBoard, kInk, 1.5f, kPasteBoard},     {K::Rect, kMetal, kInk, 1.5f, kPasteClip},
    {K::Rect, kPaper, kInk, 1.5f, kPasteSheet},     {K::Polyline, kNone, kRule, 1.5f, kPasteRule1},
    {K::Polyline, kNone, kRule, 1.5f, kPasteRule2}, {K::Polyline, kNone, kRule, 1.5f, kPasteRule3},
};

// Undo: a U-turn arrow pointing back to the left; Redo is its mirror image.
constexpr ArtPoint kUndoBow[] = {{10, 8}, {28, 26}};
constexpr ArtPoint kUndoTop[] = {{19, 8}, {11, 8}};
constexpr ArtPoint kUndoBottom[] = {{19, 26}, {9, 26}};
constexpr ArtPoint kUndoHead[] = {{3, 8}, {12, 2}, {12, 14}};
constexpr ArtShape kUndo[] = {
    {K::Arc, kNone, kBlue, 3.0f, kUndoBow, -90, 180},
    {K::Polyline, kNone, kBlue, 3.0f, kUndoTop},
    {K::Polyline, kNone, kBlue, 3.0f, kUndoBottom},
    {K::Polygon, kBlue, kBlue, 1.0f, kUndoHead},
};

constexpr ArtPoint kRedoBow[] = {{4, 8}, {22, 26}};
constexpr ArtPoint kRedoTop[] = {{13, 8}, {21, 8}};
constexpr ArtPoint kRedoBottom[] = {{13, 26}, {23, 26}};
constexpr ArtPoint kRedoHead[] = {{29, 8}, {20, 2}, {20, 14}};
constexpr ArtShape kRedo[] = {
    {K::Arc, kNone, kBlue, 3.0f, kRedoBow, 90, 180},
    {K::Polyline, kNone, kBlue, 3.0f, kRedoTop},
    {K::Polyline, kNone, kBlue, 3.0f, kRedoBottom},
    {K::Polygon, kBlue, kBlue, 1.0f, kRedoHead},
};

// Speak: a loudspeaker sending out sound.
constexpr ArtPoint kSpeaker[] = {{3, 12}, {9, 12}, {16, 5}, {16, 27}, {9, 20}, {3, 20}};
constexpr ArtPoint kWave1[] = {{11, 11}, {21, 21}};
constexpr ArtPoint kWave2[] = {{7, 7}, {25, 25}};
constexpr ArtPoint kWave3[] = {{3, 3}, {29, 29}};
constexpr ArtShape kSpeak[] = {
    {K::Polygon, kBlue, kInk, 1.0f, kSpeaker},
    {K::Arc, kNone, kSky, 2.0f, kWave1, -50, 100},
    {K::Arc, kNone, kSky, 2.0f, kWave2, -50, 100},
    {K::Arc, kNone, kSky, 2.0f, kWave3, -45, 90},
};

// The selected-text variants share a highlighted line of text at the bottom.
constexpr ArtPoint kSelectionBand[] = {{3, 22}, {29, 30}};
constexpr ArtPoint kSelectionText[] = {{6, 26}, {26, 26}};

// Speak selected text: a smaller loudspeaker over the selection.
constexpr ArtPoint kSmallSpeaker[] = {{4, 7}, {8, 7}, {13, 2}, {13, 18}, {8, 13}, {4, 13}};
constexpr ArtPoint kSmallWave1[] = {{9, 6}, {17, 14}};
constexpr ArtPoint kSmallWave2[] = {{5, 2}, {21, 18}};
constexpr ArtShape kSpeakSelected[] = {
    {K::Polygon, kBlue, kInk, 1.0f, kSmallSpeaker},
    {K::Arc, kNone, kSky, 2.0f, kSmallWave1, -50, 100},
    {K::Arc, kNone, kSky, 2.0f, kSmallWave2, -50, 100},
    {K::Rect, kSelection, kNone, 0.0f, kSelectionBand},
    {K::Polyline, kNone, kInk, 2.0f, kSelectionText},
};

// Write: a sheet carrying a sound wave, that is, an audio file.
constexpr ArtPoint kSheet[] = {{7, 3}, {20, 3}, {26, 9}, {26, 29}, {7, 29}};
constexpr ArtPoint kSheetFold[] = {{20, 3}, {20, 9}, {26, 9}};
constexpr ArtPoint kSoundWave[] = {{9, 17},  {11, 17}, {12, 12}, {14, 23}, {16, 9},
                                   {18, 25}, {20, 13}, {22, 20}, {23, 17}, {24, 17}};
constexpr ArtShape kWrite[] = {
    {K::Polygon, kPaper, kInk, 1.5f, kSheet},
    {K::Polygon, kFold, kInk, 1.0f, kSheetFold},
    {K::Polyline, kNone, kBlue, 1.5f, kSoundWave},
};

// Write selected text: the audio file over the selection.
constexpr ArtPoint kShortSheet[] = {{7, 2}, {20, 2}, {26, 8}, {26, 20}, {7, 20}};
constexpr ArtPoint kShortSheetFold[] = {{20, 2}, {20, 8}, {26, 8}};
constexpr ArtPoint kShortSoundWave[] = {{9, 12},  {11, 12}, {12, 8},  {14, 16}, {16, 6},
                                        {18, 17}, {20, 9},  {22, 14}, {23, 12}, {24, 12}};
constexpr ArtShape kWriteSelected[] = {
    {K::Polygon, kPaper, kInk, 1.5f, kShortSheet},
    {K::Polygon, kFold, kInk, 1.0f, kShortSheetFold},
    {K::Polyline, kNone, kBlue, 1.5f, kShortSoundWave},
    {K::Rect, kSelection, kNone, 0.0f, kSelectionBand},
    {K::Polyline, kNone, kInk, 2.0f, kSelectionText},
};

// Stop: a stop sign.
constexpr ArtPoint kOctagon[] = {{11, 3},  {21, 3},  {29, 11}, {29, 21},
                                 {21, 29}, {11, 29}, {3, 21},  {3, 11}};
constexpr ArtPoint kStopBar[] = {{9, 14}, {23, 18}};
constexpr ArtShape kStop[] = {
    {K::Polygon, kRed, kDarkRed, 1.5f, kOctagon},
    {K::Rect, kPaper, kNone, 0.0f, kStopBar},
};

constexpr UINT kButtons[] = {
    ID_EDIT_CUT, ID_EDIT_COPY,  ID_EDIT_PASTE,          0, ID_EDIT_UNDO,  ID_EDIT_REDO,
    0,           ID_FILE_SPEAK, ID_FILE_SPEAK_SELECTED, 0, ID_FILE_WRITE, ID_FILE_WRITE_SELECTED,
    0,           ID_FILE_STOP,
};

constexpr ArtPicture kPictures[] = {
    {ID_EDIT_CUT, kCut},
    {ID_EDIT_COPY, kCopy},
    {ID_EDIT_PASTE, kPaste},
    {ID_EDIT_UNDO, kUndo},
    {ID_EDIT_REDO, kRedo},
    {ID_FILE_SPEAK, kSpeak},
    {ID_FILE_SPEAK_SELECTED, kSpeakSelected},
    {ID_FILE_WRITE, kWrite},
    {ID_FILE_WRITE_SELECTED, kWriteSelected},
    {ID_FILE_STOP, kStop},
};

} // namespace

std::span<const UINT> ToolbarButtons() {
    return kButtons;
}

const ArtPicture* FindToolbarPicture(UINT commandId) {
    for (const auto& picture : kPictures)
        if (picture.commandId == commandId)
            return &picture;
    return nullptr;
}
