// The filter graph of a grab: the device's filter and the sink joined pin to pin, given a
// reference clock, then run, paused and stopped. On Linux our runtime's FilterGraph; on Windows
// the system's (CLSID_FilterGraph), whose state changes may still be under way when the call
// returns: here every change has completed (or failed) before it returns, on both.
//
// Main thread only. Releasing the graph stops its filters, disconnects them and lets them go,
// so whatever a filter uses must outlive the CaptureGraph.
#pragma once

#include "comref.h"

#include <streams.h>

#include <memory>

namespace capture {

class CaptureGraph {
public:
    // A new empty, stopped graph; null, with *hr set, when none can be made.
    static std::unique_ptr<CaptureGraph> Create(HRESULT *hr);
    ~CaptureGraph();
    CaptureGraph(const CaptureGraph &) = delete;
    CaptureGraph &operator=(const CaptureGraph &) = delete;

    HRESULT AddFilter(IBaseFilter *filter, LPCWSTR name);
    // Connects an output pin straight to an input pin with `type`, or with a type the two
    // agree on when it is null; stopped graph only.
    HRESULT Connect(IPin *output, IPin *input, const AM_MEDIA_TYPE *type);
    // Connects a connected output pin to its peer again with no type, so that the format set
    // through IAMStreamConfig::SetFormat is the one negotiated. Synchronous; stopped graph only
    // (VFW_E_WRONG_STATE otherwise). A refusal leaves both pins disconnected.
    HRESULT Reconnect(IPin *output);
    // Hands every filter the graph's default reference clock.
    HRESULT UseDefaultClock();

    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    FILTER_STATE State() const;

private:
    struct Parts;
    explicit CaptureGraph(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> m_parts;
};

} // namespace capture
