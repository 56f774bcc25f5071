// The resources the executable carries: the start dialog's template (107), its
// title picture (115) and the program icon (116, 32 x 32 and 16 x 16). The
// entry runs the start dialog from this module; the window backend takes the
// icon from it.
#pragma once

#include "Platform.h"

constexpr int kStartDialogTemplate = 107;
constexpr int kTitlePictureResource = 115;
constexpr int kProgramIconResource = 116;

// The program's module (its instance handle), built on first use.
plat::InstanceHandle ProgramResources();
