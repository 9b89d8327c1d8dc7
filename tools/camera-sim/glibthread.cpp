#include "glibthread.h"

#include <glib.h>
#include <pthread.h>

#include <future>

namespace {

struct Job {
    const std::function<void()> *work;
    std::promise<void> done;
};

gboolean runJob(gpointer data) {
    auto *job = static_cast<Job *>(data);
    (*job->work)();
    job->done.set_value();
    return G_SOURCE_REMOVE;
}

} // namespace

GlibThread::GlibThread(std::string name)
    : m_name(std::move(name)), m_context(g_main_context_new()),
      m_loop(g_main_loop_new(m_context, FALSE)), m_thread([this] { run(); }) {}

GlibThread::~GlibThread() {
    // Quit from inside the loop: a quit before the loop runs would be lost.
    call([this] { g_main_loop_quit(m_loop); });
    m_thread.join();
    g_main_loop_unref(m_loop);
    g_main_context_unref(m_context);
}

void GlibThread::run() {
    // Linux keeps at most 15 characters of a thread name.
    pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    // Sources that GLib libraries create without naming a context land here.
    g_main_context_push_thread_default(m_context);
    g_main_loop_run(m_loop);
    g_main_context_pop_thread_default(m_context);
}

void GlibThread::call(const std::function<void()> &work) {
    if (std::this_thread::get_id() == m_thread.get_id()) {
        work();
        return;
    }
    Job job{&work, {}};
    std::future<void> done = job.done.get_future();
    g_main_context_invoke(m_context, runJob, &job);
    done.wait();
}
