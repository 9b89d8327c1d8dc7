// The file holds the ANSI code page bytes, as it always has; the debugger gets UTF-16.
#include "vclogfile.h"

#include "platform/wintext.h"

#include <windows.h>

namespace Kestra {

namespace {

HANDLE HandleOf(LogFileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

} // namespace

LogFileHandle CreateLogFile(const std::filesystem::path &path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoLogFile : reinterpret_cast<LogFileHandle>(file);
}

void AppendToLogFile(LogFileHandle file, std::string_view text) {
    const std::string ansi = AnsiFromWide(WideFromUtf8(text));
    DWORD written = 0;
    ::WriteFile(HandleOf(file), ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
}

void CloseLogFile(LogFileHandle file) {
    ::CloseHandle(HandleOf(file));
}

void WriteDebugOutput(std::string_view text) {
    ::OutputDebugStringW(WideFromUtf8(text).c_str());
}

} // namespace Kestra
