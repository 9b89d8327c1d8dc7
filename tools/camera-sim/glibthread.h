// GlibThread runs a GLib main loop on its own named thread, so GLib-based
// servers (the RTSP server) get the loop they need while Qt keeps the main
// thread. Created and destroyed on the main thread; call() may come from any
// thread. The context and loop are set before the thread starts and never
// change, so they need no lock.
#pragma once

#include <functional>
#include <string>
#include <thread>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

class GlibThread {
public:
    explicit GlibThread(std::string name);
    // Quits the loop and joins the thread.
    ~GlibThread();
    GlibThread(const GlibThread &) = delete;
    GlibThread &operator=(const GlibThread &) = delete;

    // Runs work on the loop thread and returns once it has run. Called on
    // the loop thread itself, it runs at once.
    void call(const std::function<void()> &work);

private:
    void run();

    std::string m_name;
    GMainContext *m_context;
    GMainLoop *m_loop;
    std::thread m_thread;
};
