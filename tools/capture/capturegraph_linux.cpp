#include "capturegraph.h"

#include "runtime/filtergraph.h"

namespace capture {

struct CaptureGraph::Parts {
    ComRef<FilterGraph> graph;
};

CaptureGraph::CaptureGraph(std::unique_ptr<Parts> parts) : m_parts(std::move(parts)) {}

CaptureGraph::~CaptureGraph() = default;

std::unique_ptr<CaptureGraph> CaptureGraph::Create(HRESULT *hr) {
    auto parts = std::make_unique<Parts>();
    *hr = FilterGraph::Create(parts->graph.Out());
    if (FAILED(*hr))
        return nullptr;
    return std::unique_ptr<CaptureGraph>(new CaptureGraph(std::move(parts)));
}

HRESULT CaptureGraph::AddFilter(IBaseFilter *filter, LPCWSTR name) {
    return m_parts->graph->AddFilter(filter, name);
}

HRESULT CaptureGraph::Connect(IPin *output, IPin *input, const AM_MEDIA_TYPE *type) {
    return m_parts->graph->ConnectDirect(output, input, type);
}

HRESULT CaptureGraph::Reconnect(IPin *output) {
    return m_parts->graph->Reconnect(output);
}

HRESULT CaptureGraph::UseDefaultClock() {
    return m_parts->graph->SetDefaultSyncSource();
}

HRESULT CaptureGraph::Run() {
    return m_parts->graph->Run();
}

HRESULT CaptureGraph::Pause() {
    return m_parts->graph->Pause();
}

HRESULT CaptureGraph::Stop() {
    return m_parts->graph->Stop();
}

FILTER_STATE CaptureGraph::State() const {
    return m_parts->graph->State();
}

} // namespace capture
