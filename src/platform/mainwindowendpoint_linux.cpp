// The socket file outlives a crashed KestraLive, so a file that refuses connections is stale
// and is replaced; one that accepts belongs to a live instance and is left alone.
#include "platform/mainwindowendpoint.h"

#include "log/logline.h"
#include "vcam/messages.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool makeAddress(const std::string &path, sockaddr_un &address) {
    if (path.size() >= sizeof address.sun_path)
        return false;
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

const sockaddr *asSockaddr(const sockaddr_un &address) {
    return reinterpret_cast<const sockaddr *>(&address);
}

// True when a live endpoint answers at address.
bool endpointAlive(const sockaddr_un &address) {
    const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool alive = ::connect(probe, asSockaddr(address), sizeof address) == 0;
    ::close(probe);
    return alive;
}

} // namespace

struct MainWindowEndpoint::Impl {
    explicit Impl(MainWindowEndpoint *owner);
    ~Impl();
    bool bind();
    void readAll();

    MainWindowEndpoint *owner;
    std::string path;
    int fd = -1;
    ino_t inode = 0;
    QSocketNotifier *notifier = nullptr; // child of owner
};

MainWindowEndpoint::Impl::Impl(MainWindowEndpoint *endpointOwner)
    : owner(endpointOwner),
      path(mainWindowEndpointPath(std::getenv("XDG_RUNTIME_DIR"), ::getuid())) {
    if (!bind())
        return;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [this] { readAll(); });
}

bool MainWindowEndpoint::Impl::bind() {
    sockaddr_un address;
    if (!makeAddress(path, address)) {
        LOG_ERROR << "main window endpoint path too long:" << path.c_str();
        return false;
    }
    if (endpointAlive(address)) {
        LOG_ERROR << "main window endpoint already held by a running instance:" << path.c_str();
        return false;
    }
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        ::unlink(path.c_str()); // left by a crashed instance

    fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, asSockaddr(address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &info) != 0) {
        const int error = errno;
        LOG_ERROR << "main window endpoint faild:" << path.c_str() << std::strerror(error);
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        return false;
    }
    inode = info.st_ino;
    return true;
}

MainWindowEndpoint::Impl::~Impl() {
    if (fd < 0)
        return;
    ::close(fd);
    // Only our own file goes: never one that replaced it meanwhile.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && info.st_ino == inode)
        ::unlink(path.c_str());
}

void MainWindowEndpoint::Impl::readAll() {
    // One byte more than a message, so that an oversized datagram shows its size.
    std::uint8_t buffer[vcamDatagramSize + 1];
    for (;;) {
        const ssize_t size = ::recv(fd, buffer, sizeof buffer, MSG_TRUNC);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            return; // drained
        }
        const std::optional<VCamMessage> message =
            decodeVCamMessage(buffer, static_cast<std::size_t>(size));
        if (message && isVCamMessage(message->message))
            emit owner->vcamMessage(message->message, message->wParam, message->lParam);
    }
}

MainWindowEndpoint::MainWindowEndpoint(QObject *parent)
    : QObject(parent), m_impl(std::make_unique<Impl>(this)) {}

MainWindowEndpoint::~MainWindowEndpoint() {
    // The notifier must not outlive the socket it watches.
    delete m_impl->notifier;
    m_impl.reset();
}

bool MainWindowEndpoint::isOpen() const {
    return m_impl->fd >= 0;
}
