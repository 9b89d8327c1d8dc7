#include "kestracamerastream.h"

#include "config/vclog.h"
#include "convert/framecopy.h"
#include "kestracamera.h"
#include "kestracameraids.h"
#include "platform/mainwindow.h"
#include "platform/moduleinfo.h"
#include "vcam/messages.h"
#include "videotype.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace Kestra {

namespace {

constexpr int kLogTrace = 40;
constexpr uint64_t kStatusIntervalMs = 2000;
// Waits between decode attempts the receiver's pacing turned down.
constexpr auto kPacingStep = std::chrono::milliseconds(1);
// DecodeNextFrame's answer when the pin has no picture source at all.
constexpr int kNoSource = -1;
constexpr DWORD kPinCategorySize = sizeof(GUID);

struct Resolution {
    int32_t code;
    bool landscape;
};

// The four widths KestraLive knows; any other keeps the stored code.
std::optional<Resolution> ResolutionForWidth(int32_t width) {
    switch (width) {
    case 1080:
        return Resolution{2, false};
    case 1920:
        return Resolution{1, true};
    case 2160:
        return Resolution{4, false};
    case 3840:
        return Resolution{3, true};
    default:
        return std::nullopt;
    }
}

int32_t FrameRateValueFor(REFERENCE_TIME avgTimePerFrame) {
    switch (avgTimePerFrame) {
    case 166666:
        return 60;
    case 200000:
        return 50;
    case 400000:
        return 25;
    default:
        return 30;
    }
}

// The message carries the low 8 bits of the value.
int64_t FrameRateParam(int32_t value) {
    return value & 0xFF;
}

// What the format needs, never more than the sample holds; the whole sample when the type
// does not say.
LONG DataLength(uint64_t sampleBytes, LONG size) {
    if (size <= 0)
        return 0;
    if (sampleBytes == 0)
        return size;
    return static_cast<LONG>(std::min<uint64_t>(sampleBytes, static_cast<uint64_t>(size)));
}

struct FrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

} // namespace

CKestraCameraStream::CKestraCameraStream(HRESULT *phr, CKestraCamera *pParent, int slot)
    : CSourceStream(kKestraCameraObjectName, phr, pParent, OLESTR("Video")), m_slot(slot),
      m_frameRate(slot) {
    // Initial type: NV12 1080x1920 at 30 frames/s, rectangles empty, bit rate unknown.
    auto *vih =
        reinterpret_cast<VIDEOINFOHEADER *>(m_mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!vih) {
        if (phr)
            *phr = E_OUTOFMEMORY;
        return;
    }
    std::memset(vih, 0, sizeof(VIDEOINFOHEADER));
    vih->AvgTimePerFrame = 10000000 / 30;
    BITMAPINFOHEADER &bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = m_width;
    bmi.biHeight = m_height;
    bmi.biPlanes = 2;
    bmi.biBitCount = 12;
    bmi.biCompression = CompressionCode(VideoFormatCode::NV12);
    // Rows padded to 32 bits, as bitmaps are.
    bmi.biSizeImage = static_cast<DWORD>(((bmi.biWidth * bmi.biBitCount + 31) & ~31) / 8 *
                                         std::abs(bmi.biHeight));
    m_mt.SetType(&MEDIATYPE_Video);
    m_mt.SetFormatType(&FORMAT_VideoInfo);
    const GUID subtype = FOURCCMap(bmi.biCompression);
    m_mt.SetSubtype(&subtype);
    m_mt.SetTemporalCompression(FALSE);
    m_mt.SetSampleSize(bmi.biSizeImage);

    if (!m_formats.AddStandardFormats() && phr)
        *phr = E_OUTOFMEMORY;
    m_placeholder.PreparePlaceholder(false, VideoFormatCode::NV12, m_width, m_height);
}

CKestraCameraStream::~CKestraCameraStream() {
    // The streaming thread uses the members below; the base class would stop it too late.
    if (ThreadExists())
        StopThread();
}

STDMETHODIMP CKestraCameraStream::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IAMStreamConfig)
        return GetInterface(static_cast<IAMStreamConfig *>(this), ppv);
    if (riid == IID_IKsPropertySet)
        return GetInterface(static_cast<IKsPropertySet *>(this), ppv);
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CKestraCameraStream::Notify(IBaseFilter *, Quality) {
    return E_NOTIMPL;
}

void CKestraCameraStream::SetPictureSource(std::unique_ptr<PictureSource> source) {
    std::unique_ptr<PictureSource> previous;
    {
        CAutoLock lock(&m_fillLock);
        previous = std::exchange(m_pictures, std::move(source));
    }
    // Stopping a receiver can take a moment; FillBuffer need not wait for it.
    previous.reset();
}

HRESULT CKestraCameraStream::OnThreadCreate() {
    CAutoLock lock(&m_fillLock);
    m_sampleTime = 0;
    m_pacer.Restart();
    if (m_pictures)
        m_pictures->Start();
    return S_OK;
}

HRESULT CKestraCameraStream::OnThreadStartPlay() {
    CAutoLock lock(&m_fillLock);
    // Nothing of before the pause is shown again: the placeholder until the next picture.
    m_pacer.Restart();
    m_pictureClock.Restart();
    m_showingPicture = false;
    if (m_pictures)
        m_pictures->Play();
    return S_OK;
}

void CKestraCameraStream::OnThreadStopPlay() {
    CAutoLock lock(&m_fillLock);
    if (m_pictures)
        m_pictures->Hold();
}

HRESULT CKestraCameraStream::OnThreadDestroy() {
    CAutoLock lock(&m_fillLock);
    // Only after an active report, so that KestraLive sees a 0 only after a 1.
    if (m_lastStatusTime)
        PostToMainWindow(WM_VCAM_ACTIVE, static_cast<uint64_t>(m_slot), 0);
    m_lastStatusTime.reset();
    return S_OK;
}

HRESULT CKestraCameraStream::FillBuffer(IMediaSample *pms) {
    if (!pms)
        return E_POINTER;
    CAutoLock lock(&m_fillLock);
    BYTE *buffer = nullptr;
    const HRESULT hr = pms->GetPointer(&buffer);
    if (FAILED(hr))
        return hr;
    const LONG size = pms->GetSize();
    const VideoTypeFacts type = ReadVideoType(m_mt);
    const uint64_t sampleBytes = SampleBytes(type);

    ReportStatus();

    const std::unique_ptr<AVFrame, FrameDeleter> picture(av_frame_alloc());
    if (!picture)
        return E_OUTOFMEMORY;
    // A camera picture goes out as soon as it is decoded; the placeholder at the frame rate;
    // while an open stream pauses after a picture, the sample is repeated half a frame time
    // late, so the application never waits much more than one and a half frame times.
    const SamplePacer::Clock::duration frameTime = FrameTime(type.avgTimePerFrame);
    const SamplePacer::Clock::time_point due = m_pacer.Due(frameTime, SamplePacer::Clock::now());
    while (true) {
        const int decoded =
            m_pictures ? m_pictures->DecodeNextFrame(picture.get(), m_frameRateValue) : kNoSource;
        const auto now = SamplePacer::Clock::now();
        if (decoded >= 0) {
            FillWithPicture(pms, *picture, buffer, size, type.avgTimePerFrame, sampleBytes);
            m_pacer.Delivered(now);
            return S_OK;
        }
        av_frame_unref(picture.get());
        const bool holding = m_showingPicture && m_pictures && m_pictures->IsStreaming();
        if (!holding && now >= due) {
            FillWithoutPicture(pms, buffer, size, type.avgTimePerFrame, sampleBytes);
            m_pacer.Delivered(now);
            return S_OK;
        }
        if (holding && now >= due + frameTime / 2) {
            RepeatSample(pms, size, type.avgTimePerFrame, sampleBytes);
            m_pacer.Delivered(now);
            return S_OK;
        }
        const auto deadline = holding ? due + frameTime / 2 : due;
        if (decoded == kNoSource)
            std::this_thread::sleep_until(deadline);
        else if (decoded == AVERROR(EAGAIN))
            continue; // the decoder took the packet and wants the next one
        else if (decoded == kQueueEmpty)
            m_pictures->WaitForPacket(deadline);
        else
            std::this_thread::sleep_for(kPacingStep);
    }
}

void CKestraCameraStream::ReportStatus() {
    const uint64_t now = TickCountMs();
    if (m_lastStatusTime && now - *m_lastStatusTime < kStatusIntervalMs)
        return;
    const auto slot = static_cast<uint64_t>(m_slot);
    PostToMainWindow(WM_VCAM_ACTIVE, slot, 1);
    PostToMainWindow(WM_VCAM_RESOLUTION, slot, m_resolutionCode);
    PostToMainWindow(WM_VCAM_FPS, slot, FrameRateParam(m_frameRateValue));
    m_lastStatusTime = now;
}

void CKestraCameraStream::FillWithoutPicture(IMediaSample *pms, BYTE *buffer, LONG size,
                                             REFERENCE_TIME avgTimePerFrame, uint64_t sampleBytes) {
    REFERENCE_TIME start = m_sampleTime;
    REFERENCE_TIME stop = m_sampleTime + avgTimePerFrame;
    pms->SetTime(&start, &stop);
    m_sampleTime = stop;
    pms->SetSyncPoint(TRUE);
    m_placeholder.CopyTo(buffer, static_cast<size_t>(std::max<LONG>(size, 0)));
    pms->SetActualDataLength(DataLength(sampleBytes, size));
    // The next camera picture starts a new run, possibly from another connection.
    m_pictureClock.Restart();
    m_sizeMismatchReported = false;
    m_showingPicture = false;
}

void CKestraCameraStream::RepeatSample(IMediaSample *pms, LONG size, REFERENCE_TIME avgTimePerFrame,
                                       uint64_t sampleBytes) {
    REFERENCE_TIME start = m_sampleTime;
    REFERENCE_TIME stop = m_sampleTime + avgTimePerFrame;
    pms->SetTime(&start, &stop);
    m_sampleTime = stop;
    pms->SetSyncPoint(TRUE);
    pms->SetActualDataLength(DataLength(sampleBytes, size));
}

void CKestraCameraStream::FillWithPicture(IMediaSample *pms, const AVFrame &picture, BYTE *buffer,
                                          LONG size, REFERENCE_TIME avgTimePerFrame,
                                          uint64_t sampleBytes) {
    // The camera's time stamps, in 100 ns units and continuing the samples before them.
    REFERENCE_TIME start = m_sampleTime;
    REFERENCE_TIME stop =
        m_pictureClock.StopTime(picture.pts, picture.time_base, start, avgTimePerFrame);
    pms->SetTime(&start, &stop);
    pms->SetSyncPoint(TRUE);
    m_sampleTime = stop;
    m_showingPicture = true;
    m_frameRate.Count(TickCountMs());
    const bool copied = CopyDecodedPicture(picture, m_outputLayout, m_width, m_height, buffer,
                                           static_cast<size_t>(std::max<LONG>(size, 0)));
    if (!copied && !m_sizeMismatchReported) {
        VCLogTo(m_slot, 10, "camera picture %dx%d does not fit the negotiated %dx%d, not copied.\n",
                picture.width, picture.height, m_width, m_height);
        m_sizeMismatchReported = true;
    }
    pms->SetActualDataLength(DataLength(sampleBytes, size));
}

HRESULT CKestraCameraStream::GetMediaType(int iPosition, CMediaType *pmt) {
    VCLogTo(m_slot, kLogTrace, "%s pos=%d\n", "Kestra::CKestraCameraStream::GetMediaType",
            iPosition);
    if (iPosition < 0)
        return E_INVALIDARG;
    if (iPosition > 0)
        return VFW_S_NO_MORE_ITEMS;
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(&m_fillLock);
    return pmt->Set(m_mt);
}

HRESULT CKestraCameraStream::CheckMediaType(const CMediaType *pMediaType) {
    VCLogTo(m_slot, kLogTrace, "%s\n", "Kestra::CKestraCameraStream::CheckMediaType");
    if (!pMediaType)
        return E_POINTER;
    CAutoLock lock(&m_fillLock);
    // Major type, subtype, format type, format size and every byte of the format block.
    return *pMediaType == m_mt ? S_OK : E_INVALIDARG;
}

HRESULT CKestraCameraStream::SetMediaType(const CMediaType *pmt) {
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(&m_fillLock);
    const HRESULT hr = CSourceStream::SetMediaType(pmt);
    if (FAILED(hr))
        return hr;
    const VideoTypeFacts type = ReadVideoType(*pmt);
    const auto slot = static_cast<uint64_t>(m_slot);

    // A type without a bitmap header keeps the stored size and says nothing about it.
    bool landscape = true;
    if (type.header) {
        m_width = type.header->width;
        m_height = type.header->height;
        if (const std::optional<Resolution> resolution = ResolutionForWidth(m_width)) {
            m_resolutionCode = resolution->code;
            landscape = resolution->landscape;
            PostToMainWindow(WM_VCAM_RESOLUTION, slot, m_resolutionCode);
        }
    }
    m_frameRateValue = FrameRateValueFor(type.avgTimePerFrame);
    PostToMainWindow(WM_VCAM_FPS, slot, FrameRateParam(m_frameRateValue));

    m_outputLayout = OutputLayoutFor(type.code);
    VCLogTo(m_slot, kLogTrace, "%s\n pixelformat=%d width=%d height=%d",
            "Kestra::CKestraCameraStream::SetMediaType", static_cast<int>(m_outputLayout), m_width,
            m_height);
    m_placeholder.PreparePlaceholder(landscape, type.code, m_width, m_height);
    return hr;
}

HRESULT CKestraCameraStream::DecideBufferSize(IMemAllocator *pAlloc,
                                              ALLOCATOR_PROPERTIES *pRequest) {
    if (!pAlloc || !pRequest)
        return E_POINTER;
    CAutoLock stateLock(m_pFilter->pStateLock());
    uint64_t bytes = 0;
    {
        CAutoLock fillLock(&m_fillLock);
        bytes = SampleBytes(ReadVideoType(m_mt));
    }
    // A sample size a LONG cannot carry would wrap into a nonsense request.
    if (bytes > static_cast<uint64_t>(INT32_MAX))
        return E_FAIL;
    pRequest->cBuffers = 1;
    pRequest->cbBuffer = static_cast<LONG>(bytes);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = pAlloc->SetProperties(pRequest, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < pRequest->cbBuffer ? E_FAIL : S_OK;
}

namespace {

// One of the pin's capabilities: the layout, size and frame interval of a list entry, in either
// video format block. Rectangles, bit rate and image size are the application's to fill in,
// and a top-down height names the same size.
bool IsOffered(const FormatList &formats, const AM_MEDIA_TYPE &type) {
    if (type.majortype != MEDIATYPE_Video)
        return false;
    const VideoTypeFacts wanted = ReadVideoType(type);
    if (!wanted.header)
        return false;
    for (int i = 0; i < formats.Count(); ++i) {
        const VideoTypeFacts entry = ReadVideoType(*formats.At(i));
        if (entry.code == wanted.code && entry.header->width == wanted.header->width &&
            entry.header->height == std::llabs(int64_t{wanted.header->height}) &&
            entry.avgTimePerFrame == wanted.avgTimePerFrame)
            return true;
    }
    return false;
}

} // namespace

STDMETHODIMP CKestraCameraStream::SetFormat(AM_MEDIA_TYPE *pmt) {
    if (!pmt)
        return S_OK;
    if (!IsOffered(m_formats, *pmt))
        return VFW_E_INVALIDMEDIATYPE;
    HRESULT hr = S_OK;
    const CMediaType wanted(*pmt, &hr);
    if (FAILED(hr))
        return hr;
    IPin *peer = nullptr;
    ConnectedTo(&peer);
    const auto result = [peer](HRESULT code) {
        if (peer)
            peer->Release();
        return code;
    };
    IFilterGraph *graph = m_pFilter->GetFilterGraph();
    if (peer && !graph)
        return result(VFW_E_NOT_IN_GRAPH);
    // Asked before anything changes: the system's graph reconnects on a thread of its own and
    // cannot report a refusal.
    if (peer && peer->QueryAccept(&wanted) != S_OK)
        return result(VFW_E_INVALIDMEDIATYPE);

    CMediaType previous;
    {
        CAutoLock stateLock(m_pFilter->pStateLock());
        // Paused or running, samples of the connected type are on their way.
        if (!m_pFilter->IsStopped())
            return result(VFW_E_NOT_STOPPED);
        CAutoLock lock(&m_fillLock);
        previous = m_mt;
        hr = m_mt.Set(wanted);
    }
    if (FAILED(hr) || !peer)
        return result(hr); // unconnected: the type waits for the next connection

    // The reconnection brings the type through CheckMediaType and SetMediaType, which reports
    // it to KestraLive; it takes the graph's locks, so none of ours is held across it.
    hr = graph->Reconnect(this);
    if (SUCCEEDED(hr))
        return result(S_OK);
    // Refused after all: the old type comes back, and with it the old connection.
    {
        CAutoLock lock(&m_fillLock);
        m_mt.Set(previous);
    }
    if (!IsConnected())
        graph->ConnectDirect(this, peer, &previous);
    return result(hr == VFW_E_WRONG_STATE ? VFW_E_NOT_STOPPED : VFW_E_INVALIDMEDIATYPE);
}

STDMETHODIMP CKestraCameraStream::GetFormat(AM_MEDIA_TYPE **ppmt) {
    VCLogTo(m_slot, kLogTrace, "%s\n", "Kestra::CKestraCameraStream::GetFormat");
    if (!ppmt)
        return E_POINTER;
    CAutoLock lock(&m_fillLock);
    *ppmt = CreateMediaType(&m_mt);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CKestraCameraStream::GetNumberOfCapabilities(int *piCount, int *piSize) {
    VCLogTo(m_slot, kLogTrace, "%s\n", "Kestra::CKestraCameraStream::GetNumberOfCapabilities");
    if (!piCount || !piSize)
        return E_POINTER;
    *piCount = m_formats.Count();
    *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP CKestraCameraStream::GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) {
    VCLogTo(m_slot, kLogTrace, "%s index=%d\n", "Kestra::CKestraCameraStream::GetStreamCaps",
            iIndex);
    if (!ppmt || !pSCC)
        return E_POINTER;
    // Past the end is a success code that ends the caller's walk.
    if (iIndex > m_formats.Count() - 1)
        return S_FALSE;
    if (iIndex < 0)
        return E_INVALIDARG;
    const CMediaType &entry = *m_formats.At(iIndex);
    AM_MEDIA_TYPE *copy = CreateMediaType(&entry);
    if (!copy)
        return E_OUTOFMEMORY;

    const auto *vih = reinterpret_cast<const VIDEOINFOHEADER *>(entry.Format());
    const LONG w = vih->bmiHeader.biWidth;
    const LONG h = vih->bmiHeader.biHeight;
    VIDEO_STREAM_CONFIG_CAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.guid = FORMAT_VideoInfo;
    caps.InputSize = {w, h};
    caps.MinCroppingSize = {w, h};
    caps.MaxCroppingSize = {w, h};
    caps.CropGranularityX = w;
    caps.CropGranularityY = h;
    caps.MinOutputSize = {w, h};
    caps.MaxOutputSize = {w, h};
    caps.MinFrameInterval = vih->AvgTimePerFrame;
    caps.MaxFrameInterval = vih->AvgTimePerFrame;
    // The 32-bit bit rate as it is; above 2^31 it reads negative in the LONG field.
    caps.MinBitsPerSecond = static_cast<LONG>(vih->dwBitRate);
    caps.MaxBitsPerSecond = static_cast<LONG>(vih->dwBitRate);
    // The caller's buffer need not be aligned for the structure.
    std::memcpy(pSCC, &caps, sizeof caps);
    *ppmt = copy;
    return S_OK;
}

STDMETHODIMP CKestraCameraStream::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP CKestraCameraStream::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID, DWORD,
                                      LPVOID pPropData, DWORD cbPropData, DWORD *pcbReturned) {
    if (guidPropSet != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!pPropData && !pcbReturned)
        return E_POINTER;
    if (pcbReturned)
        *pcbReturned = kPinCategorySize;
    if (!pPropData)
        return S_OK;
    if (cbPropData < kPinCategorySize)
        return E_UNEXPECTED;
    std::memcpy(pPropData, &PIN_CATEGORY_CAPTURE, kPinCategorySize);
    return S_OK;
}

STDMETHODIMP CKestraCameraStream::QuerySupported(REFGUID guidPropSet, DWORD dwPropID,
                                                 DWORD *pTypeSupport) {
    if (guidPropSet != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport)
        *pTypeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

} // namespace Kestra
