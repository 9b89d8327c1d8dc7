// The bridge's own log, <KestraLive folder>/log/miclog.log, beside KestraLive's logs: created
// afresh by MicLogOpen when that folder exists (the bridge never creates it), closed by
// MicLogClose. Lines also reach stderr with KESTRA_VCLOG_STDERR=1, as the filter's do.
//
// Any thread may call; one lock keeps each line whole. The state is trivially destructible, so
// a line written while the process exits still finds it.
#pragma once

namespace Kestra {

void MicLogOpen();
void MicLogClose();

// Appends the local time, the printf-formatted text (cut at 1023 bytes) and a line feed.
void MicLog(const char *format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace Kestra
