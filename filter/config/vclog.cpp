#include "vclog.h"

#include "configfolder.h"
#include "vclogfile.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace Kestra {

namespace {

constexpr char kHeader[] = "=====VCLogInitialize()=====\r\n\r\n";
constexpr int kLineBufferSize = 4096;

} // namespace

void VCLogInitialize(int slot) {
    OpenLogFile(KestraLiveFolder() / "log" / ("vclog" + std::to_string(slot) + ".log"), kHeader);
}

void VCLog(int /*level*/, const char *format, ...) {
    // One byte more than the text may take, for the line feed.
    char line[kLineBufferSize + 1];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line, kLineBufferSize, format, args);
    va_end(args);
    if (written <= 0)
        return;
    std::size_t length = static_cast<std::size_t>(written);
    if (length > kLineBufferSize - 1)
        length = kLineBufferSize - 1;
    line[length++] = '\n';
    WriteLogLine(std::string_view(line, length));
}

} // namespace Kestra
