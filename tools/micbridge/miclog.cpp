#include "miclog.h"

#include "config/configfolder.h"
#include "config/vclogfile.h"
#include "vcam/pairingfile.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace Kestra {

namespace {

std::mutex logMutex;
LogFileHandle logFile = kNoLogFile;

} // namespace

void MicLogOpen() {
    const std::filesystem::path path = KestraLiveFolder() / vconfig::logFolder / "miclog.log";
    std::lock_guard lock(logMutex);
    if (logFile == kNoLogFile)
        logFile = CreateLogFile(path);
}

void MicLogClose() {
    std::lock_guard lock(logMutex);
    if (logFile != kNoLogFile)
        CloseLogFile(logFile);
    logFile = kNoLogFile;
}

void MicLog(const char *format, ...) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char line[1100];
    std::size_t length = std::strftime(line, 32, "%Y-%m-%d %H:%M:%S", &local);
    length += static_cast<std::size_t>(
        std::snprintf(line + length, 8, ".%03ld ", static_cast<long>(now.tv_nsec / 1000000)));
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line + length, 1024, format, args);
    va_end(args);
    if (written < 0)
        return;
    length += std::min<std::size_t>(static_cast<std::size_t>(written), 1023);
    line[length++] = '\n';
    const std::string_view text(line, length);
    std::lock_guard lock(logMutex);
    if (logFile != kNoLogFile)
        AppendToLogFile(logFile, text);
    WriteDebugOutput(text);
}

} // namespace Kestra
