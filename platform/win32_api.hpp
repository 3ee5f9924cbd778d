// <windows.h> for the Windows sources, without the macros that would rename functions of ours.
#pragma once

#include <windows.h>

#undef ReplaceFile  // the system's own name for ReplaceFileA
