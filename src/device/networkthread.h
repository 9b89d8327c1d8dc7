// NetworkThread: the worker thread of the HTTP engine. start() moves the
// engine onto a new thread named "network" and starts its loop; stop() ends
// the loop after its current pass and joins the thread. Created, started and
// stopped on the main thread; whoever signs the user in owns it.
#pragma once

class QThread;

class NetworkThread {
public:
    NetworkThread() = default;
    ~NetworkThread();
    NetworkThread(const NetworkThread &) = delete;
    NetworkThread &operator=(const NetworkThread &) = delete;

    void start();
    void stop();

private:
    QThread *m_thread = nullptr;
};
