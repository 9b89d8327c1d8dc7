// MainWindowStandIn plays KestraLive's main window for filter tests and end-to-end tests: it
// binds the per-user endpoint (mainWindowEndpointPath under this process's XDG_RUNTIME_DIR, so
// create it after the TempConfigRoot) and records every message posted to it, with the time it
// arrived, without needing a Qt event loop. A filter in another process reaches it as long as
// that process sees the same XDG_RUNTIME_DIR.
//
// Created, closed, reopened and destroyed on the test's thread; a reader thread ("standin")
// receives while open. m_mutex guards m_messages; m_changed signals each new message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MainWindowStandIn {
public:
    struct Message {
        std::uint32_t message;
        std::uint64_t wParam;
        std::int64_t lParam;
        std::chrono::steady_clock::time_point arrival;
    };
    using Predicate = std::function<bool(const std::vector<Message> &)>;

    // Opens at once; check isOpen().
    MainWindowStandIn();
    ~MainWindowStandIn();
    MainWindowStandIn(const MainWindowStandIn &) = delete;
    MainWindowStandIn &operator=(const MainWindowStandIn &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    const std::string &path() const { return m_path; }

    std::vector<Message> messages() const;
    // True once predicate holds for the messages received so far; false after timeout.
    bool waitFor(const Predicate &predicate, std::chrono::milliseconds timeout) const;
    // True once a message with this number has arrived.
    bool waitForMessage(std::uint32_t message, std::chrono::milliseconds timeout) const;

    // The window goes away: the socket file is removed. Recorded messages stay.
    void close();
    // The window's process dies: the socket closes but its file stays behind, stale.
    void crash();
    // The window comes back at the same path.
    bool reopen();

private:
    void shutDown(bool removeFile);
    void receive(int stopFd);

    std::string m_path;
    int m_fd = -1;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_reader;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Message> m_messages;
};
