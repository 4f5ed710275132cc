#pragma once
// Icon 128, the program icon, in the shape language of the toolbar pictures.

#include "src/resources/ToolbarArt.h"

// Icon 128; nullptr for any other id.
const ArtPicture* FindIconPicture(UINT id);
