// A video input device as kestra-capture uses it: opening one by friendly name (its filter,
// its output pin and the pin's IAMStreamConfig), reading its capabilities, and a plain
// description of a video media type. Listing and creating the devices is the platform's
// (videodevices.h).
//
// Called on the main thread only; nothing here keeps state between calls.
#pragma once

#include "comref.h"

#include <streams.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capture {

struct OpenedDevice {
    ComRef<IBaseFilter> filter;
    ComRef<IPin> pin; // the first output pin
    ComRef<IAMStreamConfig> config;
};

struct Capability {
    CMediaType type;
    VIDEO_STREAM_CONFIG_CAPS caps;
};

// A video media type with a VIDEOINFOHEADER, reduced to what the tool prints and converts.
struct VideoFormat {
    uint32_t fourcc = 0;     // 0 when the subtype is no four-character code
    std::string subtypeName; // "NV12", or the subtype's registry form
    int32_t width = 0;
    int32_t height = 0;
    REFERENCE_TIME frameInterval = 0;
    uint32_t imageSize = 0;

    double framesPerSecond() const { return frameInterval > 0 ? 1e7 / frameInterval : 0.0; }
};

// VFW_E_NOT_FOUND when no device has that friendly name or the device has no output pin;
// E_NOINTERFACE when the pin has no IAMStreamConfig.
HRESULT OpenVideoDevice(const std::string &name, OpenedDevice *device);

// Every entry of GetStreamCaps, in index order.
HRESULT ReadCapabilities(IAMStreamConfig *config, std::vector<Capability> *capabilities);

// Nothing when the type is not video or has no complete VIDEOINFOHEADER.
std::optional<VideoFormat> DescribeVideoFormat(const AM_MEDIA_TYPE &type);

// "0x80040217": the form in which the tool reports a failed call.
std::string HresultText(HRESULT hr);

} // namespace capture
