// Everything the platform layer offers the system's code.
#pragma once

#include "plat/types.h"
#if __has_include("plat/kernel.h")
#include "plat/kernel.h"
#endif
#if __has_include("plat/winsock.h")
#include "plat/winsock.h"
#endif
#if __has_include("plat/window.h")
#include "plat/window.h"
#endif
#if __has_include("plat/controls.h")
#include "plat/controls.h"
#endif
#if __has_include("plat/gdi.h")
#include "plat/gdi.h"
#endif
