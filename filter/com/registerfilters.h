// Registration of the server: the COM keys of every class in the table and its entry in the
// video input device category (through the system filter mapper), or their removal.
//
// Runs on the thread that calls DllRegisterServer or DllUnregisterServer; it keeps no state and
// knows the library only by the handle it is given, so it needs nothing from the entry points.
#pragma once

#include <windows.h>

namespace Kestra {

// module names the library whose path the COM keys record. bRegister TRUE writes the COM keys of
// every row, then replaces each row's category entry. FALSE removes the category entries and then,
// only if that succeeded, the COM keys. Stops at the first failing registry write, mapper call or
// module-path lookup and returns it; what was written before stays.
HRESULT RegisterFilters(HINSTANCE module, BOOL bRegister);

} // namespace Kestra
