// The machine's video input devices, as the platform's device enumerator lists them: their
// friendly names, and the filter of one of them. On Linux our runtime's registry of filters
// (CLSID_VideoInputDeviceCategory's instances); on Windows the system device enumerator and
// its monikers.
//
// Called on the main thread, with COM initialised on it (ComSession); nothing is kept between
// calls.
#pragma once

#include "comref.h"

#include <streams.h>

#include <string>
#include <vector>

namespace capture {

// Friendly names in UTF-8, sorted; no category at all is an empty list, not a failure.
HRESULT EnumerateVideoDevices(std::vector<std::string> *names);

// The filter of the first device (in the order above) with that friendly name;
// VFW_E_NOT_FOUND when none has it.
HRESULT CreateVideoDeviceFilter(const std::string &name, ComRef<IBaseFilter> *filter);

} // namespace capture
