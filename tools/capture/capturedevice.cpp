#include "capturedevice.h"

#include "videodevices.h"
#include "widetext.h"

#include <cstdio>

namespace capture {

namespace {

HRESULT FindOutputPin(IBaseFilter *filter, ComRef<IPin> *found) {
    ComRef<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Out());
    if (FAILED(hr))
        return hr;
    ComRef<IPin> pin;
    while (pins->Next(1, pin.Out(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT) {
            *found = std::move(pin);
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

std::string GuidText(REFGUID guid) {
    WCHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return Utf8FromWide(text);
}

} // namespace

HRESULT OpenVideoDevice(const std::string &name, OpenedDevice *device) {
    OpenedDevice opened;
    HRESULT hr = CreateVideoDeviceFilter(name, &opened.filter);
    if (FAILED(hr))
        return hr;
    hr = FindOutputPin(opened.filter.get(), &opened.pin);
    if (FAILED(hr))
        return hr;
    hr = opened.pin->QueryInterface(IID_IAMStreamConfig,
                                    reinterpret_cast<void **>(opened.config.Out()));
    if (FAILED(hr))
        return hr;
    *device = std::move(opened);
    return S_OK;
}

HRESULT ReadCapabilities(IAMStreamConfig *config, std::vector<Capability> *capabilities) {
    int count = 0;
    int size = 0;
    HRESULT hr = config->GetNumberOfCapabilities(&count, &size);
    if (FAILED(hr))
        return hr;
    if (size != static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)))
        return E_UNEXPECTED;
    capabilities->clear();
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE *type = nullptr;
        Capability capability = {};
        hr = config->GetStreamCaps(i, &type, reinterpret_cast<BYTE *>(&capability.caps));
        if (hr != S_OK)
            return FAILED(hr) ? hr : E_UNEXPECTED;
        capability.type = *type;
        DeleteMediaType(type);
        capabilities->push_back(capability);
    }
    return S_OK;
}

std::optional<VideoFormat> DescribeVideoFormat(const AM_MEDIA_TYPE &type) {
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo ||
        type.pbFormat == nullptr || type.cbFormat < sizeof(VIDEOINFOHEADER))
        return std::nullopt;
    const auto *info = reinterpret_cast<const VIDEOINFOHEADER *>(type.pbFormat);
    VideoFormat format;
    const FOURCCMap fourcc(type.subtype.Data1);
    if (fourcc == type.subtype) {
        format.fourcc = type.subtype.Data1;
        for (int shift = 0; shift < 32; shift += 8)
            format.subtypeName.push_back(static_cast<char>((format.fourcc >> shift) & 0xFF));
    } else {
        format.subtypeName = GuidText(type.subtype);
    }
    format.width = info->bmiHeader.biWidth;
    format.height = info->bmiHeader.biHeight;
    format.frameInterval = info->AvgTimePerFrame;
    format.imageSize = info->bmiHeader.biSizeImage;
    return format;
}

std::string HresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace capture
