// The sink end of kestra-capture's graph: CaptureSinkFilter, a filter with one input pin that
// accepts exactly the media type it was made for (the device pin's current type) and hands each
// sample to a SampleRecorder, which keeps what the tool prints and writes.
//
// The main thread creates the recorder and the filter and reads the recorder once the graph has
// stopped; the source's streaming thread calls Receive, and so Record. SampleRecorder::m_mutex
// guards m_samples; m_changed signals each recorded sample. The filter's state lock (m_lock)
// is the one the base classes take for graph calls; Receive never takes it, so a Stop waiting
// for the streaming thread cannot deadlock with a sample in flight.
#pragma once

#include <streams.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace capture {

struct CapturedSample {
    std::chrono::steady_clock::time_point arrival;
    std::optional<REFERENCE_TIME> start; // none when the sample carries no time
    std::optional<REFERENCE_TIME> stop;
    bool syncPoint = false;
    LONG actualLength = 0;
    std::vector<uint8_t> bytes; // the sample's data, when the recorder keeps it
};

class SampleRecorder {
public:
    enum class Keep { None, Last, All };

    // Records the first `wanted` samples; the data of all of them, of the last one or of none.
    SampleRecorder(size_t wanted, Keep keep);

    void Record(IMediaSample *sample, std::chrono::steady_clock::time_point arrival);
    // True once `wanted` samples are in; false at the deadline.
    bool WaitUntilComplete(std::chrono::milliseconds timeout) const;
    size_t Count() const;
    std::vector<CapturedSample> Take();

private:
    const size_t m_wanted;
    const Keep m_keep;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<CapturedSample> m_samples;
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
