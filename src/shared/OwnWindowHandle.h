#pragma once
// The program's main window, set once by the host when that window is created.
// The forced ending's window sweep leaves this window alone.

#include "shared/platform.h"

namespace ambrel {

namespace detail {
inline WindowHandle g_ownWindowHandle = 0;
}

inline WindowHandle OwnWindowHandle() { return detail::g_ownWindowHandle; }
inline void OwnWindowHandle(WindowHandle window) { detail::g_ownWindowHandle = window; }

}  // namespace ambrel
