// Device enumeration for video applications: the filters registered in a category (by the
// filter mapper, under CLSID\{category}\Instance) and creating one of them. This stands in for
// the system device enumerator and its monikers. Any thread; no state.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

struct DeviceEntry {
    std::u16string friendlyName;
    CLSID clsid;
};

// The category's filters sorted by friendly name (then class identifier); entries without a
// FriendlyName or a valid CLSID value are skipped. S_FALSE with an empty list when the
// category has none, E_POINTER for a null list.
HRESULT EnumerateCategory(REFCLSID category, std::vector<DeviceEntry> *devices);

// CoCreateInstance of the device's class for IID_IBaseFilter.
HRESULT CreateDeviceFilter(const DeviceEntry &device, IBaseFilter **filter);
