#include "videodevices.h"

#include "runtime/devenum.h"
#include "widetext.h"

namespace capture {

namespace {

// The category's key is only made when the first device is registered.
bool IsMissing(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

} // namespace

HRESULT EnumerateVideoDevices(std::vector<std::string> *names) {
    std::vector<DeviceEntry> devices;
    const HRESULT hr = EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices);
    if (FAILED(hr) && !IsMissing(hr))
        return hr;
    names->clear();
    for (const DeviceEntry &device : devices)
        names->push_back(Utf8FromWide(device.friendlyName));
    return S_OK;
}

HRESULT CreateVideoDeviceFilter(const std::string &name, ComRef<IBaseFilter> *filter) {
    std::vector<DeviceEntry> devices;
    const HRESULT hr = EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices);
    if (FAILED(hr))
        return IsMissing(hr) ? VFW_E_NOT_FOUND : hr;
    for (const DeviceEntry &entry : devices) {
        if (Utf8FromWide(entry.friendlyName) == name)
            return CreateDeviceFilter(entry, filter->Out());
    }
    return VFW_E_NOT_FOUND;
}

} // namespace capture
