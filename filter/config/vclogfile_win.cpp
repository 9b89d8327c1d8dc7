// The file holds the ANSI code page bytes, as it always has; the debugger gets UTF-16.
#include "vclogfile.h"

#include "platform/wintext.h"

#include <windows.h>

#include <atomic>

namespace Kestra {

namespace {

std::atomic<HANDLE> logFile{INVALID_HANDLE_VALUE};
// Statically initialised, so no start-up order matters inside DllMain's loader lock.
SRWLOCK lineLock = SRWLOCK_INIT;

void Emit(std::string_view text) {
    const std::wstring wide = WideFromUtf8(text);
    const HANDLE file = logFile.load();
    if (file != INVALID_HANDLE_VALUE) {
        const std::string ansi = AnsiFromWide(wide);
        DWORD written = 0;
        ::WriteFile(file, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
    }
    ::OutputDebugStringW(wide.c_str());
}

} // namespace

bool OpenLogFile(const std::filesystem::path &path, std::string_view header) {
    const HANDLE old = logFile.exchange(INVALID_HANDLE_VALUE);
    if (old != INVALID_HANDLE_VALUE)
        ::CloseHandle(old);
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    logFile.store(file);
    Emit(header);
    return true;
}

void WriteLogLine(std::string_view line) {
    ::AcquireSRWLockExclusive(&lineLock);
    Emit(line);
    ::ReleaseSRWLockExclusive(&lineLock);
}

} // namespace Kestra
