// Source filters: CSource owns an array of output pins (CSourceStream), each of which runs a
// streaming thread while the filter is active. The thread waits for commands from the
// application side (CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT); after CMD_PAUSE or
// CMD_RUN it loops getting a buffer, having FillBuffer fill it and delivering it, until the
// next command arrives. A live pin (a capture pin: IsLive) delivers only while its filter
// runs: paused, its thread waits without a sample until Run or a command.
//
// Threads: the filter and its pins are created and destroyed on an application thread; state
// and connection calls come on application threads under m_cStateLock (the filter's m_pLock
// and every pin's m_pLock), which also guards m_iPins and m_paStreams. The streaming thread
// is started by Active and joined by Inactive, both under m_cStateLock; it never takes that
// lock, so the application thread may hold it while it waits for the thread. Commands are
// handed over under m_commandMutex: one caller at a time (m_callMutex) posts a command and
// waits for the thread's reply; the command stays pending until the thread replies, so the
// buffer loop can see it without consuming it. m_commandMutex also guards m_running, which
// Run sets and a pause or stop clears, and m_commandChanged wakes a live pin's thread for it.
#pragma once

#include "iopins.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(const char *name, LPUNKNOWN pUnk, CLSID clsid, HRESULT *phr);
    // Deletes the pins that are still in the array.
    ~CSource() override;

    int GetPinCount() override;
    CBasePin *GetPin(int n) override;
    // From running: the pins stop delivering first (live pins then wait for Run).
    STDMETHODIMP Pause() override;

    CCritSec *pStateLock() { return &m_cStateLock; }

    // Pins add themselves when they are created and remove themselves when deleted.
    HRESULT AddPin(CSourceStream *pStream);
    // S_FALSE when the pin is not in the array.
    HRESULT RemovePin(CSourceStream *pStream);

protected:
    int m_iPins = 0;
    CSourceStream **m_paStreams = nullptr;
    CCritSec m_cStateLock;
};

class CSourceStream : public CBaseOutputPin {
public:
    // Adds itself to pms; *phr gets the error when that fails.
    CSourceStream(const char *objectName, HRESULT *phr, CSource *pms, LPCWSTR pName);
    // Stops the thread if it still runs and removes itself from the filter. A derived pin
    // whose FillBuffer or thread hooks use its own members stops the thread in its own
    // destructor (StopThread): here they are already gone, and the thread would call the base
    // class's hooks on a half-destroyed object.
    ~CSourceStream() override;

    // Streaming thread: fill the sample (data, length, times). S_FALSE ends the stream.
    virtual HRESULT FillBuffer(IMediaSample *pSample) = 0;
    // Streaming thread, when it starts / ends / starts a run of buffers.
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    // Streaming thread, when a run of buffers ends (a pause of a live pin, a stop, an end).
    virtual void OnThreadStopPlay() {}
    // Live pins (capture) deliver only while the filter runs; others also while it is paused.
    virtual bool IsLive() const { return false; }

    // The single type the pin offers and accepts.
    virtual HRESULT GetMediaType(CMediaType *pMediaType);
    // Position 0 is GetMediaType(pMediaType).
    HRESULT GetMediaType(int iPosition, CMediaType *pMediaType) override;
    HRESULT CheckMediaType(const CMediaType *pMediaType) override;

    // Commits the allocator, starts the thread and sends CMD_INIT (OnThreadCreate) and
    // CMD_PAUSE. Nothing to do for an unconnected pin.
    HRESULT Active() override;
    // Decommits the allocator (so that a thread waiting for a buffer wakes), sends CMD_STOP and
    // CMD_EXIT and joins the thread.
    HRESULT Inactive() override;
    // The filter runs: a live pin starts delivering.
    HRESULT Run(REFERENCE_TIME tStart) override;
    // The filter pauses from running: a live pin stops delivering. Called by CSource.
    void HoldDelivery();

    enum Command { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };

protected:
    // Streaming thread: between commands.
    virtual HRESULT ThreadProc();
    // Streaming thread: deliver buffers until a command is pending. S_FALSE after CMD_STOP.
    virtual HRESULT DoBufferProcessingLoop();

    // Application side: posts a command and waits for the thread's reply (E_FAIL without a
    // thread).
    HRESULT CallWorker(Command command);
    // Streaming thread: waits for a command; it stays pending until Reply.
    Command GetRequest();
    // Streaming thread: the pending command, if any, without waiting.
    bool CheckRequest(Command *pCommand);
    void Reply(HRESULT hr);
    bool ThreadExists() const { return m_thread.joinable(); }
    // Decommits and ends the thread if one runs (CMD_STOP, CMD_EXIT, join). Application thread.
    HRESULT StopThread();

    CSource *const m_pFilter;

private:
    void ThreadMain();
    // Streaming thread: waits up to the given time for a command to arrive.
    void WaitForRequest(std::chrono::milliseconds timeout);
    // Streaming thread: whether a sample may go out now.
    bool MayDeliver();
    // Streaming thread: waits until the filter runs or a command arrives.
    void WaitForRunOrRequest();
    // Streaming thread: gets, fills and delivers one sample; false when the run of buffers
    // ends (downstream refuses, FillBuffer ends the stream or fails).
    bool DeliverOneSample();
    void SetRunning(bool running);

    std::thread m_thread;
    std::mutex m_callMutex;
    std::mutex m_commandMutex;
    std::condition_variable m_commandChanged;
    bool m_requestPending = false;
    Command m_request = CMD_INIT;
    bool m_replied = false;
    HRESULT m_reply = S_OK;
    bool m_running = false;
};
