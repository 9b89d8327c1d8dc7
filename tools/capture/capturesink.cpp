#include "capturesink.h"

#include "threadname.h"

#include <algorithm>
#include <new>

namespace capture {

namespace {

// Not registered anywhere: the sink is only ever created by the tool itself.
// {6F1C3A52-8E2B-4C1D-9A57-3B0E64D2C4A1}
constexpr CLSID CLSID_CaptureSink = {
    0x6F1C3A52, 0x8E2B, 0x4C1D, {0x9A, 0x57, 0x3B, 0x0E, 0x64, 0xD2, 0xC4, 0xA1}};

// About a second of 4K YUY2. Only a worker that cannot keep up (a disk too slow for the raw
// files) reaches it; the streaming thread then waits rather than the memory growing.
constexpr size_t kQueueLimitBytes = size_t{512} << 20;
constexpr size_t kSpareBuffers = 4;

} // namespace

SampleRecorder::SampleRecorder(size_t wanted, bool keepFacts, const PictureLayout &layout,
                               Handler handler)
    : m_wanted(wanted), m_keepFacts(keepFacts), m_layout(layout), m_handler(std::move(handler)),
      m_worker(&SampleRecorder::Work, this) {}

SampleRecorder::~SampleRecorder() {
    Finish();
}

std::vector<uint8_t> SampleRecorder::TakeBuffer(std::unique_lock<std::mutex> &lock, size_t size) {
    m_changed.wait(lock, [&] {
        return m_finishing || m_queue.empty() || m_queuedBytes + size <= kQueueLimitBytes;
    });
    if (m_free.empty())
        return {};
    std::vector<uint8_t> buffer = std::move(m_free.back());
    m_free.pop_back();
    return buffer;
}

void SampleRecorder::Record(IMediaSample *sample, std::chrono::steady_clock::time_point arrival) {
    Pending pending;
    pending.facts.arrival = arrival;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) {
        pending.facts.start = start;
        pending.facts.stop = stop;
    }
    pending.facts.syncPoint = sample->IsSyncPoint() == S_OK;
    const LONG actual = sample->GetActualDataLength();
    pending.facts.length = actual;
    BYTE *data = nullptr;
    const size_t length = SUCCEEDED(sample->GetPointer(&data)) && data
                              ? static_cast<size_t>(std::clamp<LONG>(actual, 0, sample->GetSize()))
                              : 0;
    {
        std::unique_lock lock(m_mutex);
        if (m_finishing || (m_wanted > 0 && m_taken >= m_wanted))
            return;
        pending.bytes = TakeBuffer(lock, length);
    }
    // The copy is the only per-sample work on the streaming thread, outside the lock.
    pending.bytes.assign(data, data + length);
    {
        const std::lock_guard lock(m_mutex);
        if (m_finishing || (m_wanted > 0 && m_taken >= m_wanted))
            return;
        pending.facts.index = m_taken++;
        m_queuedBytes += length;
        m_queue.push_back(std::move(pending));
    }
    m_changed.notify_all();
}

void SampleRecorder::Work() {
    NameCurrentThread("capture-work");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Pending pending = std::move(m_queue.front());
        m_queue.pop_front();
        const size_t length = pending.bytes.size();
        lock.unlock();

        Analyse(pending.bytes.data(), pending.bytes.size(), m_layout, &pending.facts);
        m_handler(pending.facts, &pending.bytes);

        lock.lock();
        m_queuedBytes -= length;
        ++m_handled;
        m_summary.Add(pending.facts);
        if (m_keepFacts)
            m_facts.push_back(pending.facts);
        if (m_free.size() < kSpareBuffers)
            m_free.push_back(std::move(pending.bytes));
        m_changed.notify_all();
    }
}

bool SampleRecorder::WaitUntilComplete(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [this] { return m_wanted > 0 && m_handled >= m_wanted; });
}

size_t SampleRecorder::Count() const {
    const std::lock_guard lock(m_mutex);
    return m_taken;
}

void SampleRecorder::Finish() {
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

std::vector<SampleFacts> SampleRecorder::Take() {
    const std::lock_guard lock(m_mutex);
    return std::move(m_facts);
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
