#include "source.h"

#include "threadname.h"

#include <cassert>
#include <new>

namespace {
// How long the buffer loop waits for a command when no buffer is to be had (decommitted).
constexpr std::chrono::milliseconds kNoBufferWait{10};
} // namespace

// ---- CSource

CSource::CSource(const char *name, LPUNKNOWN pUnk, CLSID clsid, HRESULT *phr)
    : CBaseFilter(name, pUnk, &m_cStateLock, clsid, phr) {}

CSource::~CSource() {
    // Each pin's destructor takes itself out of the array.
    while (m_iPins != 0) {
        delete m_paStreams[m_iPins - 1];
    }
    delete[] m_paStreams;
}

int CSource::GetPinCount() {
    CAutoLock lock(&m_cStateLock);
    return m_iPins;
}

CBasePin *CSource::GetPin(int n) {
    CAutoLock lock(&m_cStateLock);
    if (n < 0 || n >= m_iPins) {
        return nullptr;
    }
    return m_paStreams[n];
}

STDMETHODIMP CSource::Pause() {
    CAutoLock lock(&m_cStateLock);
    if (m_State == State_Running) {
        for (int i = 0; i < m_iPins; ++i) {
            m_paStreams[i]->HoldDelivery();
        }
    }
    return CBaseFilter::Pause();
}

HRESULT CSource::AddPin(CSourceStream *pStream) {
    CAutoLock lock(&m_cStateLock);
    auto **streams = new (std::nothrow) CSourceStream *[m_iPins + 1];
    if (streams == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (int i = 0; i < m_iPins; ++i) {
        streams[i] = m_paStreams[i];
    }
    streams[m_iPins] = pStream;
    delete[] m_paStreams;
    m_paStreams = streams;
    ++m_iPins;
    IncrementPinVersion();
    return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream *pStream) {
    CAutoLock lock(&m_cStateLock);
    for (int i = 0; i < m_iPins; ++i) {
        if (m_paStreams[i] != pStream) {
            continue;
        }
        for (int j = i + 1; j < m_iPins; ++j) {
            m_paStreams[j - 1] = m_paStreams[j];
        }
        --m_iPins;
        if (m_iPins == 0) {
            delete[] m_paStreams;
            m_paStreams = nullptr;
        }
        IncrementPinVersion();
        return S_OK;
    }
    return S_FALSE;
}

// ---- CSourceStream

CSourceStream::CSourceStream(const char *objectName, HRESULT *phr, CSource *pms, LPCWSTR pName)
    : CBaseOutputPin(objectName, pms, pms->pStateLock(), phr, pName), m_pFilter(pms) {
    const HRESULT hr = m_pFilter->AddPin(this);
    if (FAILED(hr) && phr != nullptr) {
        *phr = hr;
    }
}

CSourceStream::~CSourceStream() {
    // Only when the filter goes while still active: the graph normally stops it first.
    if (ThreadExists()) {
        StopThread();
    }
    m_pFilter->RemovePin(this);
}

HRESULT CSourceStream::GetMediaType(CMediaType * /*pMediaType*/) {
    return E_UNEXPECTED;
}

HRESULT CSourceStream::GetMediaType(int iPosition, CMediaType *pMediaType) {
    if (iPosition < 0) {
        return E_INVALIDARG;
    }
    if (iPosition > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return GetMediaType(pMediaType);
}

HRESULT CSourceStream::CheckMediaType(const CMediaType *pMediaType) {
    CMediaType mt;
    const HRESULT hr = GetMediaType(&mt);
    if (FAILED(hr)) {
        return hr;
    }
    return mt == *pMediaType ? S_OK : E_FAIL;
}

HRESULT CSourceStream::Active() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected() || ThreadExists()) {
        return S_OK;
    }
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) {
        return hr;
    }
    m_thread = std::thread(&CSourceStream::ThreadMain, this);
    hr = CallWorker(CMD_INIT);
    if (FAILED(hr)) {
        // OnThreadCreate failed and the thread has ended.
        m_thread.join();
        CBaseOutputPin::Inactive();
        return hr;
    }
    return CallWorker(CMD_PAUSE);
}

HRESULT CSourceStream::Inactive() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected()) {
        return S_OK;
    }
    return StopThread();
}

HRESULT CSourceStream::Run(REFERENCE_TIME tStart) {
    SetRunning(true);
    return CBaseOutputPin::Run(tStart);
}

void CSourceStream::HoldDelivery() {
    SetRunning(false);
}

void CSourceStream::SetRunning(bool running) {
    {
        std::lock_guard lock(m_commandMutex);
        m_running = running;
    }
    m_commandChanged.notify_all();
}

HRESULT CSourceStream::StopThread() {
    assert(std::this_thread::get_id() != m_thread.get_id());
    SetRunning(false);
    // First, so that a thread waiting in GetBuffer for a sample downstream still holds wakes
    // up and sees the commands.
    const HRESULT hr = CBaseOutputPin::Inactive();
    if (ThreadExists()) {
        CallWorker(CMD_STOP);
        CallWorker(CMD_EXIT);
        m_thread.join();
    }
    return hr;
}

void CSourceStream::ThreadMain() {
    NameCurrentThread("kestra-stream");
    ThreadProc();
}

HRESULT CSourceStream::ThreadProc() {
    Command command = GetRequest();
    while (command != CMD_INIT) {
        Reply(E_UNEXPECTED);
        command = GetRequest();
    }
    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        OnThreadDestroy();
        Reply(hr);
        return hr;
    }
    Reply(S_OK);
    do {
        command = GetRequest();
        switch (command) {
        case CMD_PAUSE:
        case CMD_RUN:
            Reply(S_OK);
            DoBufferProcessingLoop();
            break;
        case CMD_STOP:
        case CMD_EXIT:
            Reply(S_OK);
            break;
        case CMD_INIT:
            Reply(E_UNEXPECTED);
            break;
        }
    } while (command != CMD_EXIT);
    return OnThreadDestroy();
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    bool playing = false;
    Command command = CMD_INIT;
    while (true) {
        if (CheckRequest(&command)) {
            // CMD_STOP stays pending for ThreadProc.
            if (command == CMD_STOP) {
                break;
            }
            Reply(command == CMD_RUN || command == CMD_PAUSE ? S_OK : E_UNEXPECTED);
            continue;
        }
        if (!MayDeliver()) {
            if (playing) {
                playing = false;
                OnThreadStopPlay();
            }
            WaitForRunOrRequest();
            continue;
        }
        if (!playing) {
            playing = true;
            OnThreadStartPlay();
        }
        if (!DeliverOneSample()) {
            break;
        }
    }
    if (playing) {
        OnThreadStopPlay();
    }
    return command == CMD_STOP ? S_FALSE : S_OK;
}

bool CSourceStream::DeliverOneSample() {
    IMediaSample *pSample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        // Decommitted: a stop is on its way.
        WaitForRequest(kNoBufferWait);
        return true;
    }
    hr = FillBuffer(pSample);
    if (hr != S_OK) {
        pSample->Release();
        DeliverEndOfStream();
        return false;
    }
    hr = Deliver(pSample);
    pSample->Release();
    // Anything but S_OK: downstream refuses more (stopping, flushing or failed).
    return hr == S_OK;
}

bool CSourceStream::MayDeliver() {
    if (!IsLive()) {
        return true;
    }
    std::lock_guard lock(m_commandMutex);
    return m_running;
}

void CSourceStream::WaitForRunOrRequest() {
    std::unique_lock lock(m_commandMutex);
    m_commandChanged.wait(lock, [this] { return m_running || m_requestPending; });
}

HRESULT CSourceStream::CallWorker(Command command) {
    assert(std::this_thread::get_id() != m_thread.get_id());
    if (!ThreadExists()) {
        return E_FAIL;
    }
    std::lock_guard call(m_callMutex);
    std::unique_lock lock(m_commandMutex);
    m_request = command;
    m_requestPending = true;
    m_replied = false;
    m_commandChanged.notify_all();
    m_commandChanged.wait(lock, [this] { return m_replied; });
    return m_reply;
}

CSourceStream::Command CSourceStream::GetRequest() {
    std::unique_lock lock(m_commandMutex);
    m_commandChanged.wait(lock, [this] { return m_requestPending; });
    return m_request;
}

bool CSourceStream::CheckRequest(Command *pCommand) {
    std::lock_guard lock(m_commandMutex);
    if (m_requestPending) {
        *pCommand = m_request;
    }
    return m_requestPending;
}

void CSourceStream::WaitForRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_commandMutex);
    m_commandChanged.wait_for(lock, timeout, [this] { return m_requestPending; });
}

void CSourceStream::Reply(HRESULT hr) {
    std::lock_guard lock(m_commandMutex);
    m_requestPending = false;
    m_reply = hr;
    m_replied = true;
    m_commandChanged.notify_all();
}
