// O_APPEND and one write() per line keep lines whole even against other writers of the file.
#include "vclogfile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace Kestra {

namespace {

std::atomic<int> logFd{-1};
std::mutex lineMutex;

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void Emit(std::string_view text) {
    const int fd = logFd.load();
    if (fd >= 0)
        WriteAll(fd, text);
    const char *toStderr = std::getenv("KESTRA_VCLOG_STDERR");
    if (toStderr && std::strcmp(toStderr, "1") == 0)
        WriteAll(STDERR_FILENO, text);
}

} // namespace

bool OpenLogFile(const std::filesystem::path &path, std::string_view header) {
    const int old = logFd.exchange(-1);
    if (old >= 0)
        ::close(old);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    logFd.store(fd);
    Emit(header);
    return true;
}

void WriteLogLine(std::string_view line) {
    std::lock_guard<std::mutex> lock(lineMutex);
    Emit(line);
}

} // namespace Kestra
