// The platform half of the filter log (vclog.h): creating, appending to and closing a log file,
// and the debugger output. It keeps no state and takes no lock: vclog.cpp calls it under the
// module-wide log lock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace Kestra {

// A file descriptor or a HANDLE, held as an integer; kNoLogFile (also INVALID_HANDLE_VALUE)
// when there is none.
using LogFileHandle = intptr_t;
inline constexpr LogFileHandle kNoLogFile = -1;

// Creates path afresh (an existing file is truncated) for writing, with read sharing.
// kNoLogFile when it cannot be created, for instance because its folder does not exist.
LogFileHandle CreateLogFile(const std::filesystem::path &path);
// Appends text (UTF-8) in one write.
void AppendToLogFile(LogFileHandle file, std::string_view text);
void CloseLogFile(LogFileHandle file);
// The debugger output (Linux: stderr, only with KESTRA_VCLOG_STDERR=1).
void WriteDebugOutput(std::string_view text);

} // namespace Kestra
