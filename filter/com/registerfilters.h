// Registration of the server: the COM keys of the chosen classes in the table and their entries in
// the video input device category (through the system filter mapper), or their removal.
//
// Runs on the thread that calls DllRegisterServer or DllUnregisterServer; it keeps no state and
// knows the library only by the handle it is given, so it needs nothing from the entry points.
#pragma once

#include <windows.h>

namespace Kestra {

// Which rows of the class table a call touches: bit 0 is the first row (camera 1). Bits beyond
// the table's rows are ignored.
using CameraSet = unsigned;
inline constexpr CameraSet kFirstCamera = 1u;
inline constexpr CameraSet kAllCameras = ~0u;

// module names the library whose path the COM keys record. bRegister TRUE writes the COM keys of
// each chosen row, then replaces its category entry. FALSE removes the chosen rows' category
// entries and then, only if that succeeded, their COM keys; a row that is not registered counts as
// removed. Stops at the first failing registry write, mapper call or module-path lookup and
// returns it; what was written before stays.
HRESULT RegisterFilters(HINSTANCE module, BOOL bRegister, CameraSet cameras = kAllCameras);

} // namespace Kestra
