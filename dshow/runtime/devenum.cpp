#include "devenum.h"

#include "guidtext.h"
#include "registrystore.h"

#include <algorithm>

HRESULT EnumerateCategory(REFCLSID category, std::vector<DeviceEntry> *devices) {
    if (!devices)
        return E_POINTER;
    devices->clear();
    const std::u16string instances = u"CLSID\\" + GuidText(category) + u"\\Instance";
    const RegistryStore store(RegistryStore::DefaultRoot());
    KeyPath key;
    std::vector<std::u16string> names;
    if (store.Open({}, instances, &key) != ERROR_SUCCESS ||
        store.SubKeys(key, &names) != ERROR_SUCCESS)
        return S_FALSE;
    for (const std::u16string &name : names) {
        const std::u16string path = instances + u"\\" + name;
        DeviceEntry device;
        std::u16string clsid;
        if (store.ReadString(path, u"FriendlyName", &device.friendlyName) == ERROR_SUCCESS &&
            store.ReadString(path, u"CLSID", &clsid) == ERROR_SUCCESS &&
            SUCCEEDED(CLSIDFromString(clsid.c_str(), &device.clsid)))
            devices->push_back(std::move(device));
    }
    std::sort(devices->begin(), devices->end(), [](const DeviceEntry &a, const DeviceEntry &b) {
        if (a.friendlyName != b.friendlyName)
            return a.friendlyName < b.friendlyName;
        return std::memcmp(&a.clsid, &b.clsid, sizeof(CLSID)) < 0;
    });
    return devices->empty() ? S_FALSE : S_OK;
}

HRESULT CreateDeviceFilter(const DeviceEntry &device, IBaseFilter **filter) {
    return CoCreateInstance(device.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                            reinterpret_cast<void **>(filter));
}
