// <windows.h> for the platform's Windows files, less the macros that would
// rename the platform's own calls (windows.h defines PostAppMessage as a
// thread-message call).
#pragma once

#include <windows.h>

#undef PostAppMessage
