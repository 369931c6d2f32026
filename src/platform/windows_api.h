// <windows.h> without its rarely used parts and without the min/max macros
// that break std::min and std::max. Windows builds only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
