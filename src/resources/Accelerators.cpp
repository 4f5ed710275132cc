#include "src/resources/Accelerators.h"

#include "src/resources/resource.h"

namespace {

constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;

constexpr ACCEL kMainFrame[] = {
    {kCtrl, 'W', ID_FILE_WRITE},
    {kCtrl | FALT, 'W', ID_FILE_WRITE_SELECTED},
    {kCtrl, 'S', ID_FILE_SPEAK},
    {kCtrl | FALT, 'S', ID_FILE_SPEAK_SELECTED},
    {kCtrl, 'P', ID_FILE_STOP},
    {kCtrl, 'Z', ID_EDIT_UNDO},
    {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
    {kCtrl, 'Y', ID_EDIT_REDO},
    {kCtrl, 'X', ID_EDIT_CUT},
    {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
    {kCtrl, 'C', ID_EDIT_COPY},
    {kCtrl, VK_INSERT, ID_EDIT_COPY},
    {kCtrl, 'V', ID_EDIT_PASTE},
    {FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
    {FVIRTKEY, VK_F6, ID_NEXT_PANE},
    {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE},
};

} // namespace

std::span<const ACCEL> FindAcceleratorTable(UINT id) {
    if (id == IDR_MAINFRAME)
        return kMainFrame;
    return {};
}
