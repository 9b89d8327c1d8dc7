// O_APPEND and one write() per line keep lines whole even against other writers of the file.
#include "vclogfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Kestra {

namespace {

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

} // namespace

LogFileHandle CreateLogFile(const std::filesystem::path &path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    return fd >= 0 ? fd : kNoLogFile;
}

void AppendToLogFile(LogFileHandle file, std::string_view text) {
    WriteAll(static_cast<int>(file), text);
}

void CloseLogFile(LogFileHandle file) {
    ::close(static_cast<int>(file));
}

void WriteDebugOutput(std::string_view text) {
    const char *toStderr = std::getenv("KESTRA_VCLOG_STDERR");
    if (toStderr && std::strcmp(toStderr, "1") == 0)
        WriteAll(STDERR_FILENO, text);
}

} // namespace Kestra
