// The sink end of kestra-capture's graph: CaptureSinkFilter, a filter with one input pin that
// accepts exactly the media type it was made for (the device pin's current type) and hands each
// sample to a SampleRecorder.
//
// The recorder keeps the source's streaming thread free: Record (called from Receive) only
// copies the sample's bytes into a pooled buffer and queues them; its worker thread
// ("capture-work") computes the CRC, reads the stamp and passes each sample, in order, to the
// tool's handler (printing, writing raw files), then adds it to the summary and, when asked,
// keeps its facts.
//
// The main thread creates the recorder and the filter, waits, calls Finish once the graph has
// stopped and then reads the facts; the streaming thread calls Receive, and so Record; the
// handler runs on the worker thread. SampleRecorder::m_mutex guards m_taken through m_summary;
// m_changed signals each queued or finished sample and each returned buffer. The
// filter's state lock (m_lock) is the one the base classes take for graph calls; Receive never
// takes it, so a Stop waiting for the streaming thread cannot deadlock with a sample in flight.
#pragma once

#include "sampleanalysis.h"

#include <streams.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace capture {

class SampleRecorder {
public:
    // Called on the worker thread for each sample in order, with its bytes; it may swap the
    // bytes out to keep them.
    using Handler = std::function<void(const SampleFacts &, std::vector<uint8_t> *bytes)>;

    // Records the first `wanted` samples, or every sample when wanted is 0; keeps their facts
    // for Take only when keepFacts is set.
    SampleRecorder(size_t wanted, bool keepFacts, const PictureLayout &layout, Handler handler);
    // Finishes.
    ~SampleRecorder();
    SampleRecorder(const SampleRecorder &) = delete;
    SampleRecorder &operator=(const SampleRecorder &) = delete;

    void Record(IMediaSample *sample, std::chrono::steady_clock::time_point arrival);
    // True once `wanted` samples have been handled; false at the deadline.
    bool WaitUntilComplete(std::chrono::milliseconds timeout) const;
    // Samples taken in so far.
    size_t Count() const;
    // Takes no more samples, handles the queued ones and stops the worker.
    void Finish();
    // The handled samples in order when kept, else none; call after Finish.
    std::vector<SampleFacts> Take();
    // Over every handled sample; call after Finish.
    const SampleSummary &Summary() const { return m_summary; }

private:
    struct Pending {
        SampleFacts facts;
        std::vector<uint8_t> bytes;
    };

    void Work();
    std::vector<uint8_t> TakeBuffer(std::unique_lock<std::mutex> &lock, size_t size);

    const size_t m_wanted;
    const bool m_keepFacts;
    const PictureLayout m_layout;
    const Handler m_handler;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    size_t m_taken = 0;
    size_t m_queuedBytes = 0;
    bool m_finishing = false;
    std::deque<Pending> m_queue;
    std::vector<std::vector<uint8_t>> m_free; // buffers to reuse: no page faults per sample
    size_t m_handled = 0;
    std::vector<SampleFacts> m_facts;
    SampleSummary m_summary;
    std::thread m_worker; // last: starts once the members above exist
};

class CaptureSinkFilter;

class CaptureInputPin : public CBaseInputPin {
public:
    CaptureInputPin(CaptureSinkFilter *filter, CCritSec *lock, HRESULT *phr,
                    const CMediaType &accepted, SampleRecorder *recorder);

    HRESULT CheckMediaType(const CMediaType *type) override;
    STDMETHODIMP Receive(IMediaSample *sample) override;

private:
    const CMediaType m_accepted;
    SampleRecorder *const m_recorder;
};

class CaptureSinkFilter : public CBaseFilter {
public:
    // The filter with one reference held by the caller; null when it cannot be made. The
    // recorder must outlive the filter's last use in a graph.
    static IBaseFilter *Create(const CMediaType &accepted, SampleRecorder *recorder, HRESULT *phr);

    int GetPinCount() override { return 1; }
    CBasePin *GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

private:
    CaptureSinkFilter(const CMediaType &accepted, SampleRecorder *recorder, HRESULT *phr);

    CCritSec m_lock;
    CaptureInputPin m_pin;
};

} // namespace capture
