// kestra-comprobe.exe <KestraCamera.dll>: what video applications rely on from the virtual
// cameras, checked against Windows' own COM and DirectShow (Wine's, in our tests) rather than
// our Linux runtime. Prints "ok <check>" or "FAIL <check>: <detail>" for each check and exits
// with 1 when any failed. The library must be registered.
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Check(bool passed, const char *what, const std::string &detail = {}) {
    if (passed)
        std::printf("ok %s\n", what);
    else
        std::printf("FAIL %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    failures += passed ? 0 : 1;
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string Narrow(const wchar_t *text) {
    std::string out;
    for (; *text; ++text)
        out += static_cast<char>(*text < 128 ? *text : '?');
    return out;
}

template <class T> void Release(T *&object) {
    if (object)
        object->Release();
    object = nullptr;
}

void FreeType(AM_MEDIA_TYPE *type) {
    if (!type)
        return;
    if (type->cbFormat)
        ::CoTaskMemFree(type->pbFormat);
    if (type->pUnk)
        type->pUnk->Release();
    ::CoTaskMemFree(type);
}

// The video input devices by friendly name; the first camera's filter in *camera1.
std::vector<std::string> VideoInputs(IBaseFilter **camera1) {
    std::vector<std::string> names;
    ICreateDevEnum *devices = nullptr;
    IEnumMoniker *monikers = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICreateDevEnum, reinterpret_cast<void **>(&devices))) ||
        devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK) {
        Release(devices);
        return names;
    }
    IMoniker *moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        IPropertyBag *bag = nullptr;
        VARIANT name;
        ::VariantInit(&name);
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                             reinterpret_cast<void **>(&bag))) &&
            SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr))) {
            names.push_back(Narrow(name.bstrVal));
            if (names.back() == "Kestra Camera1" && !*camera1)
                moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                      reinterpret_cast<void **>(camera1));
        }
        ::VariantClear(&name);
        Release(bag);
        Release(moniker);
    }
    Release(monikers);
    Release(devices);
    return names;
}

IPin *OnlyOutputPin(IBaseFilter *filter, std::string *detail) {
    IEnumPins *pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return nullptr;
    std::vector<IPin *> found;
    IPin *pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK)
        found.push_back(pin);
    Release(pins);
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (found.size() == 1 && SUCCEEDED(found[0]->QueryDirection(&direction)) &&
        direction == PINDIR_OUTPUT)
        return found[0];
    *detail = std::to_string(found.size()) + " pins";
    for (IPin *each : found)
        each->Release();
    return nullptr;
}

void CheckPinCategory(IPin *pin) {
    IKsPropertySet *properties = nullptr;
    GUID category = GUID_NULL;
    DWORD returned = 0;
    DWORD support = 0;
    const bool ok =
        SUCCEEDED(
            pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void **>(&properties))) &&
        properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                        sizeof category, &returned) == S_OK &&
        returned == sizeof category && category == PIN_CATEGORY_CAPTURE &&
        properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support) == S_OK &&
        support == KSPROPERTY_SUPPORT_GET;
    Check(ok, "the pin's category is capture, readable only");
    Release(properties);
}

// Every capability is NV12 or YUY2 video with a whole VIDEOINFOHEADER at one of four sizes. The
// pin offers and accepts only its current format (at first NV12 without a bit rate, which no
// capability matches), and SetFormat makes a capability the current one.
void CheckCapabilities(IPin *pin) {
    IAMStreamConfig *config = nullptr;
    if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void **>(&config)))) {
        Check(false, "the pin offers IAMStreamConfig");
        return;
    }
    int count = 0;
    int size = 0;
    const HRESULT hr = config->GetNumberOfCapabilities(&count, &size);
    Check(hr == S_OK && count == 24 && size == sizeof(VIDEO_STREAM_CONFIG_CAPS) && size == 128,
          "24 capabilities of 128 bytes",
          Hex(hr) + " " + std::to_string(count) + " x " + std::to_string(size));
    std::vector<AM_MEDIA_TYPE *> types;
    std::set<std::pair<LONG, LONG>> sizes;
    std::vector<int> accepted;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE *type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        if (config->GetStreamCaps(i, &type, reinterpret_cast<BYTE *>(&caps)) != S_OK || !type)
            break;
        types.push_back(type);
        if (type->majortype == MEDIATYPE_Video && type->formattype == FORMAT_VideoInfo &&
            type->cbFormat >= sizeof(VIDEOINFOHEADER) &&
            (type->subtype == MEDIASUBTYPE_NV12 || type->subtype == MEDIASUBTYPE_YUY2) &&
            caps.guid == FORMAT_VideoInfo) {
            const auto *header = reinterpret_cast<const VIDEOINFOHEADER *>(type->pbFormat);
            sizes.insert({header->bmiHeader.biWidth, header->bmiHeader.biHeight});
        }
        if (pin->QueryAccept(type) == S_OK)
            accepted.push_back(i);
    }
    Check(static_cast<int>(types.size()) == count && sizes.size() == 4,
          "every capability is NV12 or YUY2 video at one of four sizes",
          std::to_string(types.size()) + " read, " + std::to_string(sizes.size()) + " sizes");
    if (types.size() > 3) {
        AM_MEDIA_TYPE *current = nullptr;
        const bool chosen =
            config->SetFormat(types[3]) == S_OK && pin->QueryAccept(types[3]) == S_OK &&
            pin->QueryAccept(types[0]) != S_OK && config->GetFormat(&current) == S_OK && current &&
            current->subtype == MEDIASUBTYPE_YUY2 && current->cbFormat == types[3]->cbFormat;
        Check(chosen, "SetFormat makes another capability the current one");
        FreeType(current);
        AM_MEDIA_TYPE rgb = *types[3];
        rgb.subtype = MEDIASUBTYPE_RGB24;
        Check(pin->QueryAccept(&rgb) != S_OK, "the pin refuses RGB24");
    }
    for (AM_MEDIA_TYPE *type : types)
        FreeType(type);
    Release(config);
}

void CheckMediaTypes(IPin *pin) {
    IEnumMediaTypes *types = nullptr;
    if (FAILED(pin->EnumMediaTypes(&types))) {
        Check(false, "the pin enumerates its media types");
        return;
    }
    int count = 0;
    int accepted = 0;
    AM_MEDIA_TYPE *type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
        ++count;
        accepted += pin->QueryAccept(type) == S_OK ? 1 : 0;
        FreeType(type);
    }
    Release(types);
    Check(count > 0 && accepted == count, "the pin accepts every media type it enumerates",
          std::to_string(accepted) + " of " + std::to_string(count));
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestra-comprobe <KestraCamera.dll>\n");
        return 2;
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    HMODULE library = ::LoadLibraryA(argv[1]);
    auto canUnloadNow = library ? reinterpret_cast<HRESULT(WINAPI *)()>(reinterpret_cast<void *>(
                                      ::GetProcAddress(library, "DllCanUnloadNow")))
                                : nullptr;
    Check(canUnloadNow && canUnloadNow() == S_OK, "the server can unload while nothing is in use");

    IBaseFilter *camera = nullptr;
    const std::vector<std::string> names = VideoInputs(&camera);
    const std::multiset<std::string> ours(names.begin(), names.end());
    bool four = true;
    for (const char *name :
         {"Kestra Camera1", "Kestra Camera2", "Kestra Camera3", "Kestra Camera4"})
        four = four && ours.count(name) == 1;
    Check(four, "the video input category lists Kestra Camera1 to 4 once each");
    Check(camera != nullptr, "Kestra Camera1's filter is created through its moniker");
    if (camera) {
        Check(canUnloadNow && canUnloadNow() == S_FALSE, "a live filter keeps the server loaded");
        std::string detail;
        IPin *pin = OnlyOutputPin(camera, &detail);
        Check(pin != nullptr, "the filter has one pin, an output", detail);
        if (pin) {
            CheckPinCategory(pin);
            CheckCapabilities(pin);
            CheckMediaTypes(pin);
            Release(pin);
        }
        Release(camera);
        Check(canUnloadNow && canUnloadNow() == S_OK, "the server can unload once it is released");
    }
    ::CoUninitialize();
    return failures == 0 ? 0 : 1;
}
