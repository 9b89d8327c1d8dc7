// The one output pin ("Video", capture category) of a virtual camera. It offers one current
// media type, lists 24 capabilities through IAMStreamConfig, fills every sample with the
// latest camera picture or, while no camera stream is open, with a placeholder picture, and
// reports its state to KestraLive's main window with posted messages: active at most every 2 s
// while it delivers, inactive once when its streaming stops. It is a live pin: it delivers
// only while the graph runs.
//
// Threads: created and destroyed with its filter on an application thread. Graph and
// application calls (media type negotiation, IAMStreamConfig, IKsPropertySet) come on
// application threads; FillBuffer and the OnThread hooks run on the base class's streaming
// thread, which the destructor stops before any member goes. m_fillLock is held by FillBuffer
// for its whole run and guards the current media type m_mt and every member FillBuffer reads:
// the stored size, codes and layout, the placeholder, the sample time, the status time and the
// picture source. SetMediaType and SetFormat take it
// while they change the type and rebuild the placeholder, so FillBuffer never sees a
// half-built one. DecideBufferSize runs under the filter's state lock, which is always taken
// before m_fillLock. m_formats is built by the constructor and read-only afterwards.
#pragma once

#include "convert/placeholder.h"
#include "convert/videoformat.h"
#include "formatlist.h"
#include "frameratemeter.h"
#include "pictureclock.h"
#include "picturesource.h"
#include "samplepacer.h"

#include <cstdint>
#include <memory>
#include <optional>

#include <streams.h>

namespace Kestra {

class CKestraCamera;

class CKestraCameraStream : public CSourceStream, public IAMStreamConfig, public IKsPropertySet {
public:
    CKestraCameraStream(HRESULT *phr, CKestraCamera *pParent, int slot);
    ~CKestraCameraStream() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    // IQualityControl: the pin produces at its own pace.
    STDMETHODIMP Notify(IBaseFilter *pSelf, Quality q) override;

    // Streaming thread.
    HRESULT FillBuffer(IMediaSample *pms) override;
    HRESULT OnThreadCreate() override;
    // The graph runs: pictures from the camera's next key frame on.
    HRESULT OnThreadStartPlay() override;
    // Paused or stopping: the receiver keeps its connection but keeps nothing.
    void OnThreadStopPlay() override;
    // Stopped: the slot is no longer in use.
    HRESULT OnThreadDestroy() override;
    bool IsLive() const override { return true; }

    // Pin negotiation.
    using CSourceStream::GetMediaType;
    HRESULT GetMediaType(int iPosition, CMediaType *pmt) override;
    HRESULT CheckMediaType(const CMediaType *pMediaType) override;
    HRESULT SetMediaType(const CMediaType *pmt) override;
    HRESULT DecideBufferSize(IMemAllocator *pAlloc, ALLOCATOR_PROPERTIES *pRequest) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE **ppmt) override;
    STDMETHODIMP GetNumberOfCapabilities(int *piCount, int *piSize) override;
    STDMETHODIMP GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) override;

    // IKsPropertySet
    STDMETHODIMP Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                     DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData) override;
    STDMETHODIMP Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                     DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData,
                     DWORD *pcbReturned) override;
    STDMETHODIMP QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD *pTypeSupport) override;

    // Installs the camera receiver of the slot; the pin starts it in OnThreadCreate. Call on
    // an application thread; a previous source is destroyed (stopped) first.
    void SetPictureSource(std::unique_ptr<PictureSource> source);

private:
    void ReportStatus();
    // While the camera stream pauses: the sample keeps its content and gets the next times.
    void RepeatSample(IMediaSample *pms, LONG size, REFERENCE_TIME avgTimePerFrame,
                      uint64_t sampleBytes);
    void FillWithoutPicture(IMediaSample *pms, BYTE *buffer, LONG size,
                            REFERENCE_TIME avgTimePerFrame, uint64_t sampleBytes);
    void FillWithPicture(IMediaSample *pms, const AVFrame &picture, BYTE *buffer, LONG size,
                         REFERENCE_TIME avgTimePerFrame, uint64_t sampleBytes);

    const int m_slot;
    FormatList m_formats;
    CCritSec m_fillLock;

    // Guarded by m_fillLock (and m_mt of the base pin).
    int32_t m_width = 1080;
    int32_t m_height = 1920;
    int32_t m_resolutionCode = 1;  // 1..4, posted with WM_VCAM_RESOLUTION
    int32_t m_frameRateValue = 30; // 60, 50, 25 or 30, posted with WM_VCAM_FPS
    OutputLayout m_outputLayout = OutputLayout::None;
    REFERENCE_TIME m_sampleTime = 0;          // stop time of the last sample
    std::optional<uint64_t> m_lastStatusTime; // none while the slot is not reported active
    PlaceholderFrame m_placeholder;
    PictureClock m_pictureClock;
    SamplePacer m_pacer;
    FrameRateMeter m_frameRate;
    bool m_sizeMismatchReported = false; // once per run of camera pictures
    bool m_showingPicture = false;       // the last sample holds a camera picture
    // Declared last so that it stops before anything it may still be reading goes away.
    std::unique_ptr<PictureSource> m_pictures;
};

} // namespace Kestra
