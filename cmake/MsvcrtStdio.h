// Force-included into tinyxml2 in Windows builds: its sscanf, snprintf and vfprintf become the system C run-time's
// instead of the C99 ones that libstdc++ selects for all C++ code, which would bring mingw's scanf and printf
// with their floating-point conversions (some 60 KB) into the stub. tinyxml2 formats plain numbers only.
#pragma once
#include <bits/c++config.h>
#undef __USE_MINGW_ANSI_STDIO
#define __USE_MINGW_ANSI_STDIO 0
