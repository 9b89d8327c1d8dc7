// A small filter graph for video applications on Linux (kestra-capture, tests): it holds
// filters, connects their pins directly, reconnects a pin with a new format, hands every filter
// a system reference clock, and runs, pauses and stops them all. It speaks to filters only
// through their interfaces (IBaseFilter, IPin, IEnumPins).
//
// Created by the application with Create; its methods may be called from any application
// thread. m_mutex guards m_members, m_state and m_clock, and is never held while a filter or
// pin is called, because filters call back into the graph (a pin's SetFormat calls Reconnect).
// Filters hold the graph without a reference; the graph holds each filter until it is removed
// or the graph is released, which stops the filters, disconnects their pins and lets them
// leave the graph.
#pragma once

#include "baseclasses/comref.h"

#include <dshow.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class FilterGraph final : public IFilterGraph {
public:
    // A new stopped graph with one reference.
    static HRESULT Create(FilterGraph **graph);

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Joins the filter to the graph under a unique name (" 0001"... appended to a taken one)
    // and gives it the graph's clock, if any. A filter added while running is not started.
    STDMETHODIMP AddFilter(IBaseFilter *pFilter, LPCWSTR pName) override;
    STDMETHODIMP RemoveFilter(IBaseFilter *pFilter) override;
    STDMETHODIMP EnumFilters(IEnumFilters **ppEnum) override;
    STDMETHODIMP FindFilterByName(LPCWSTR pName, IBaseFilter **ppFilter) override;
    // Stopped graph only; both pins must belong to filters in this graph.
    STDMETHODIMP ConnectDirect(IPin *ppinOut, IPin *ppinIn, const AM_MEDIA_TYPE *pmt) override;
    // Disconnects both ends and connects the output to the input again with no type, so that
    // the output pin's current format is negotiated; synchronous, and only while stopped
    // (VFW_E_WRONG_STATE otherwise). A refused negotiation is returned and leaves both pins
    // disconnected: the caller knows which type to restore (the system's graph reconnects on
    // a thread of its own and reports nothing, so callers ask IPin::QueryAccept first).
    STDMETHODIMP Reconnect(IPin *ppin) override;
    // Disconnects this pin only, as IFilterGraph does; the caller disconnects the other end.
    STDMETHODIMP Disconnect(IPin *ppin) override;
    STDMETHODIMP SetDefaultSyncSource() override;

    // Run sets the default clock if there is none, pauses a stopped graph, then runs every
    // filter with the clock's current time as start time. A failing filter stops the graph.
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    FILTER_STATE State() const;

private:
    struct Member {
        ComRef<IBaseFilter> filter;
        std::u16string name;
    };

    FilterGraph() = default;
    ~FilterGraph();

    std::vector<ComRef<IBaseFilter>> Filters() const;
    bool Contains(IBaseFilter *filter) const;
    bool PinInGraph(IPin *pin) const;
    bool Stopped() const;
    std::u16string UniqueName(LPCWSTR requested) const; // m_mutex held
    void SetState(FILTER_STATE state);
    // Calls one state change on every filter; the first failure is returned, all are called.
    // Downstream filters come first, as with the system's graph: a source that starts
    // delivering must find the filters below it already paused, or they refuse the samples.
    template <typename Call> HRESULT ForEachFilter(Call call) const;

    std::atomic<ULONG> m_refs{1};
    mutable std::mutex m_mutex;
    std::vector<Member> m_members;
    FILTER_STATE m_state = State_Stopped;
    ComRef<IReferenceClock> m_clock;
};
