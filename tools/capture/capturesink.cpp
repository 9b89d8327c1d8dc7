#include "capturesink.h"

#include <algorithm>
#include <new>

namespace capture {

namespace {

// Not registered anywhere: the sink is only ever created by the tool itself.
// {6F1C3A52-8E2B-4C1D-9A57-3B0E64D2C4A1}
constexpr CLSID CLSID_CaptureSink = {
    0x6F1C3A52, 0x8E2B, 0x4C1D, {0x9A, 0x57, 0x3B, 0x0E, 0x64, 0xD2, 0xC4, 0xA1}};

} // namespace

SampleRecorder::SampleRecorder(size_t wanted, Keep keep) : m_wanted(wanted), m_keep(keep) {
    m_samples.reserve(wanted);
}

void SampleRecorder::Record(IMediaSample *sample, std::chrono::steady_clock::time_point arrival) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_samples.size() >= m_wanted)
        return;
    CapturedSample record;
    record.arrival = arrival;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) {
        record.start = start;
        record.stop = stop;
    }
    record.syncPoint = sample->IsSyncPoint() == S_OK;
    record.actualLength = sample->GetActualDataLength();
    const bool last = m_samples.size() + 1 == m_wanted;
    BYTE *data = nullptr;
    if ((m_keep == Keep::All || (m_keep == Keep::Last && last)) &&
        SUCCEEDED(sample->GetPointer(&data)) && data) {
        const LONG length = std::clamp<LONG>(record.actualLength, 0, sample->GetSize());
        record.bytes.assign(data, data + length);
    }
    m_samples.push_back(std::move(record));
    lock.unlock();
    m_changed.notify_all();
}

bool SampleRecorder::WaitUntilComplete(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_samples.size() >= m_wanted; });
}

size_t SampleRecorder::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples.size();
}

std::vector<CapturedSample> SampleRecorder::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::move(m_samples);
}

CaptureInputPin::CaptureInputPin(CaptureSinkFilter *filter, CCritSec *lock, HRESULT *phr,
                                 const CMediaType &accepted, SampleRecorder *recorder)
    : CBaseInputPin("capture input", filter, lock, phr, OLESTR("In")), m_accepted(accepted),
      m_recorder(recorder) {}

HRESULT CaptureInputPin::CheckMediaType(const CMediaType *type) {
    return type && *type == m_accepted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP CaptureInputPin::Receive(IMediaSample *sample) {
    // Taken first, so the time includes nothing of our own work.
    const auto arrival = std::chrono::steady_clock::now();
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    m_recorder->Record(sample, arrival);
    return S_OK;
}

CaptureSinkFilter::CaptureSinkFilter(const CMediaType &accepted, SampleRecorder *recorder,
                                     HRESULT *phr)
    : CBaseFilter("capture sink", nullptr, &m_lock, CLSID_CaptureSink, phr),
      m_pin(this, &m_lock, phr, accepted, recorder) {}

IBaseFilter *CaptureSinkFilter::Create(const CMediaType &accepted, SampleRecorder *recorder,
                                       HRESULT *phr) {
    *phr = S_OK;
    auto *filter = new (std::nothrow) CaptureSinkFilter(accepted, recorder, phr);
    if (!filter) {
        *phr = E_OUTOFMEMORY;
        return nullptr;
    }
    filter->NonDelegatingAddRef();
    if (FAILED(*phr)) {
        filter->NonDelegatingRelease();
        return nullptr;
    }
    return filter;
}

} // namespace capture
