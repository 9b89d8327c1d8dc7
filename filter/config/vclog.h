// The filter's diagnostic log: one file per virtual camera, <KestraLive folder>/log/
// vclog<slot>.log, started afresh whenever a filter for that camera is created, plus the
// debugger output (on Linux stderr, only with KESTRA_VCLOG_STDERR=1, because the video
// application owns its stderr). The folder is KestraLive's; the filter never creates it, and
// without it lines reach the debugger output only.
//
// VCLogInitialize runs on the application's thread that creates the filter; VCLog is called
// from any thread. One module-wide lock (vclogfile_*.cpp) keeps each line whole; the open file
// is an atomic handle so that VCLogInitialize need not take that lock.
#pragma once

namespace Kestra {

// Closes the open log, creates (or truncates) the one of slot and writes its header.
void VCLogInitialize(int slot);

// Appends the printf-formatted text and one line feed. The text is cut at 4095 bytes; empty
// text writes nothing. level is informational only: nothing is filtered.
void VCLog(int level, const char *format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

} // namespace Kestra
