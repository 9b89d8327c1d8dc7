#include "videodevices.h"

#include "widetext.h"

#include <algorithm>

namespace capture {

namespace {

struct Device {
    std::string name;
    ComRef<IMoniker> moniker;
};

// The device's FriendlyName from its property bag; empty when it has none.
std::string FriendlyName(IMoniker *moniker) {
    ComRef<IPropertyBag> properties;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void **>(properties.Out()))))
        return {};
    VARIANT value;
    VariantInit(&value);
    std::string name;
    if (SUCCEEDED(properties->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR &&
        value.bstrVal)
        name = Utf8FromWide(value.bstrVal);
    VariantClear(&value);
    return name;
}

// Every device with a friendly name, sorted by it (stable: the enumerator's order breaks ties).
HRESULT ListDevices(std::vector<Device> *devices) {
    devices->clear();
    ComRef<ICreateDevEnum> enumerator;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICreateDevEnum, reinterpret_cast<void **>(enumerator.Out()));
    if (FAILED(hr))
        return hr;
    ComRef<IEnumMoniker> monikers;
    hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Out(), 0);
    // S_FALSE: the category is empty or does not exist, and there is no enumerator.
    if (hr != S_OK || !monikers)
        return FAILED(hr) ? hr : S_OK;
    ComRef<IMoniker> moniker;
    while (monikers->Next(1, moniker.Out(), nullptr) == S_OK) {
        std::string name = FriendlyName(moniker.get());
        if (!name.empty())
            devices->push_back({std::move(name), std::move(moniker)});
    }
    std::stable_sort(devices->begin(), devices->end(),
                     [](const Device &a, const Device &b) { return a.name < b.name; });
    return S_OK;
}

} // namespace

HRESULT EnumerateVideoDevices(std::vector<std::string> *names) {
    std::vector<Device> devices;
    const HRESULT hr = ListDevices(&devices);
    if (FAILED(hr))
        return hr;
    names->clear();
    for (const Device &device : devices)
        names->push_back(device.name);
    return S_OK;
}

HRESULT CreateVideoDeviceFilter(const std::string &name, ComRef<IBaseFilter> *filter) {
    std::vector<Device> devices;
    const HRESULT hr = ListDevices(&devices);
    if (FAILED(hr))
        return hr;
    for (const Device &device : devices) {
        if (device.name == name)
            return device.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                reinterpret_cast<void **>(filter->Out()));
    }
    return VFW_E_NOT_FOUND;
}

} // namespace capture
