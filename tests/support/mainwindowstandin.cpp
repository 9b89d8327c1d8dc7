#include "support/mainwindowstandin.h"

#include "vcam/messages.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

MainWindowStandIn::MainWindowStandIn()
    : m_path(mainWindowEndpointPath(std::getenv("XDG_RUNTIME_DIR"), ::getuid())) {
    reopen();
}

MainWindowStandIn::~MainWindowStandIn() {
    close();
}

bool MainWindowStandIn::reopen() {
    close();
    sockaddr_un address = {};
    if (m_path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
    ::unlink(m_path.c_str());

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_reader = std::thread([this, stopFd = m_stopPipe[0]] {
        pthread_setname_np(pthread_self(), "standin");
        receive(stopFd);
    });
    return true;
}

void MainWindowStandIn::close() {
    shutDown(true);
}

void MainWindowStandIn::crash() {
    shutDown(false);
}

void MainWindowStandIn::shutDown(bool removeFile) {
    if (m_fd < 0)
        return;
    ::close(m_stopPipe[1]); // wakes the reader with end of file
    m_reader.join();
    ::close(m_stopPipe[0]);
    ::close(m_fd);
    if (removeFile)
        ::unlink(m_path.c_str());
    m_fd = -1;
    m_stopPipe[0] = m_stopPipe[1] = -1;
}

void MainWindowStandIn::receive(int stopFd) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        std::uint8_t buffer[vcamDatagramSize + 1];
        ssize_t size;
        while ((size = ::recv(m_fd, buffer, sizeof buffer, MSG_TRUNC)) >= 0) {
            const auto arrival = std::chrono::steady_clock::now();
            const std::optional<VCamMessage> decoded =
                decodeVCamMessage(buffer, static_cast<std::size_t>(size));
            if (!decoded)
                continue;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_messages.push_back({decoded->message, decoded->wParam, decoded->lParam, arrival});
            }
            m_changed.notify_all();
        }
    }
}

std::vector<MainWindowStandIn::Message> MainWindowStandIn::messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

bool MainWindowStandIn::waitFor(const Predicate &predicate,
                                std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return predicate(m_messages); });
}

bool MainWindowStandIn::waitForMessage(std::uint32_t message,
                                       std::chrono::milliseconds timeout) const {
    return waitFor(
        [message](const std::vector<Message> &all) {
            for (const Message &m : all) {
                if (m.message == message)
                    return true;
            }
            return false;
        },
        timeout);
}
