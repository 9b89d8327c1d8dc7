// The platform half of the filter log (vclog.h): the one open file, the module-wide line lock
// and the debugger output. Internal to the log: OpenLogFile runs on the thread creating a
// filter, WriteLogLine on any thread.
#pragma once

#include <filesystem>
#include <string_view>

namespace Kestra {

// Closes any open log file, creates path afresh and writes header to it and to the debugger
// output; false (and no file open) when the file cannot be created. Takes no lock: it runs
// where the filter is created.
bool OpenLogFile(const std::filesystem::path &path, std::string_view header);

// Under the module-wide lock, writes line (UTF-8) to the open file, if any, in one write, then
// to the debugger output.
void WriteLogLine(std::string_view line);

} // namespace Kestra
