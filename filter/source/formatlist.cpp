#include "formatlist.h"

#include <array>
#include <cstring>

namespace Kestra {

namespace {

struct StandardRate {
    REFERENCE_TIME avgTimePerFrame;
    bool withUhd; // the 2160x3840 and 3840x2160 sizes are offered at this rate too
};

// 30, 25, 60 and 50 frames/s.
constexpr std::array kStandardRates{
    StandardRate{333333, true},
    StandardRate{400000, true},
    StandardRate{166666, false},
    StandardRate{200000, false},
};

struct Size {
    int32_t width;
    int32_t height;
};

constexpr std::array kHdSizes{Size{1080, 1920}, Size{1920, 1080}};
constexpr std::array kUhdSizes{Size{2160, 3840}, Size{3840, 2160}};

} // namespace

GUID SubtypeFor(VideoFormatCode code) {
    switch (code) {
    case VideoFormatCode::ARGB32:
        return MEDIASUBTYPE_ARGB32;
    case VideoFormatCode::RGB32:
        return MEDIASUBTYPE_RGB32;
    case VideoFormatCode::I420:
    case VideoFormatCode::NV12:
    case VideoFormatCode::YV12:
    case VideoFormatCode::P010:
    case VideoFormatCode::YVYU:
    case VideoFormatCode::YUY2:
    case VideoFormatCode::UYVY:
    case VideoFormatCode::MJPG:
    case VideoFormatCode::H264:
        return FOURCCMap(CompressionCode(code));
    default:
        return GUID_NULL;
    }
}

bool FormatList::AddVideoFormat(VideoFormatCode code, int32_t width, int32_t height,
                                REFERENCE_TIME avgTimePerFrame) {
    if (width <= 0 || height <= 0 || avgTimePerFrame <= 0)
        return false;
    const uint64_t imageSize = static_cast<uint64_t>(width) * BitsPerPixel(code) * height / 8;
    // Truncated division first, then x 8: the bit rate of a byte count per second.
    const uint64_t bitRate = imageSize * 10000000 / static_cast<uint64_t>(avgTimePerFrame) * 8;

    VIDEOINFOHEADER vih;
    std::memset(&vih, 0, sizeof vih);
    vih.rcSource = {0, 0, width, height};
    vih.rcTarget = {0, 0, width, height};
    vih.dwBitRate = static_cast<DWORD>(bitRate);
    vih.AvgTimePerFrame = avgTimePerFrame;
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biPlanes = static_cast<WORD>(PlaneCount(code));
    vih.bmiHeader.biBitCount = static_cast<WORD>(BitsPerPixel(code));
    vih.bmiHeader.biCompression = CompressionCode(code);
    vih.bmiHeader.biSizeImage = static_cast<DWORD>(imageSize);

    CMediaType type;
    type.SetType(&MEDIATYPE_Video);
    const GUID subtype = SubtypeFor(code);
    type.SetSubtype(&subtype);
    type.SetTemporalCompression(FALSE);
    type.SetSampleSize(static_cast<ULONG>(imageSize)); // also marks the samples fixed-size
    type.SetFormatType(&FORMAT_VideoInfo);
    if (!type.SetFormat(reinterpret_cast<BYTE *>(&vih), sizeof vih))
        return false;
    m_types.push_back(type);
    return true;
}

bool FormatList::AddStandardFormats() {
    m_types.reserve(m_types.size() + 24);
    for (const StandardRate &rate : kStandardRates) {
        for (const auto *sizes : {&kHdSizes, &kUhdSizes}) {
            if (sizes == &kUhdSizes && !rate.withUhd)
                continue;
            for (const Size &size : *sizes)
                for (VideoFormatCode code : {VideoFormatCode::NV12, VideoFormatCode::YUY2})
                    if (!AddVideoFormat(code, size.width, size.height, rate.avgTimePerFrame))
                        return false;
        }
    }
    return true;
}

const CMediaType *FormatList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_types[static_cast<size_t>(index)];
}

} // namespace Kestra
