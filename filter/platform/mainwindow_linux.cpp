// The window is a Unix datagram socket bound by KestraLive. A socket file left behind by a
// crashed KestraLive refuses connections, so "exists" is a successful connect(), not the file.
#include "mainwindow.h"

#include "vcam/messages.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Kestra {

namespace {

// The endpoint's address, or false when the path does not fit or the file there is not a
// socket of this user (in the shared /tmp fallback anyone could have made it).
bool EndpointAddress(sockaddr_un &address) {
    const std::string path = mainWindowEndpointPath(std::getenv("XDG_RUNTIME_DIR"), ::getuid());
    if (path.size() >= sizeof address.sun_path)
        return false;
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::getuid())
        return false;
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

class DatagramSocket {
public:
    DatagramSocket() : fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~DatagramSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    DatagramSocket(const DatagramSocket &) = delete;
    DatagramSocket &operator=(const DatagramSocket &) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

const sockaddr *AsSockaddr(const sockaddr_un &address) {
    return reinterpret_cast<const sockaddr *>(&address);
}

} // namespace

bool MainWindowExists() {
    sockaddr_un address;
    if (!EndpointAddress(address))
        return false;
    DatagramSocket probe;
    return probe.fd() >= 0 && ::connect(probe.fd(), AsSockaddr(address), sizeof address) == 0;
}

void PostToMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
    sockaddr_un address;
    if (!EndpointAddress(address))
        return;
    DatagramSocket sender;
    if (sender.fd() < 0)
        return;
    const VCamDatagram bytes = encodeVCamMessage({message, wParam, lParam});
    // A full queue or a vanished window drops the message, as PostMessage would fail.
    [[maybe_unused]] const ssize_t sent =
        ::sendto(sender.fd(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 AsSockaddr(address), sizeof address);
}

} // namespace Kestra
