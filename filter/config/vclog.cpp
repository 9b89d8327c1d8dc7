#include "vclog.h"

#include "configfolder.h"
#include "vclogfile.h"

#include <cassert>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace Kestra {

namespace {

constexpr char kHeader[] = "=====VCLogInitialize()=====\r\n\r\n";
constexpr int kLineBufferSize = 4096;
constexpr int kSlotCount = 4;

struct SlotLog {
    LogFileHandle file = kNoLogFile;
    int filters = 0; // live filters of the slot
};

// Constant-initialised and trivially destructible: a line written while the library unloads
// or the process exits still finds them.
std::mutex logMutex;
SlotLog slotLogs[kSlotCount];

SlotLog *LogOfSlot(int slot) {
    return slot >= 1 && slot <= kSlotCount ? &slotLogs[slot - 1] : nullptr;
}

// logMutex held.
void Emit(const SlotLog *log, std::string_view text) {
    if (log && log->file != kNoLogFile)
        AppendToLogFile(log->file, text);
    WriteDebugOutput(text);
}

// The formatted text with its line feed; empty for empty text.
std::string FormatLine(const char *format, va_list args) {
    // One byte more than the text may take, for the line feed.
    char line[kLineBufferSize + 1];
    const int written = std::vsnprintf(line, kLineBufferSize, format, args);
    if (written <= 0)
        return {};
    std::size_t length = static_cast<std::size_t>(written);
    if (length > kLineBufferSize - 1)
        length = kLineBufferSize - 1;
    line[length++] = '\n';
    return std::string(line, length);
}

} // namespace

void VCLogInitialize(int slot) {
    SlotLog *log = LogOfSlot(slot);
    if (!log)
        return;
    const std::filesystem::path path =
        KestraLiveFolder() / "log" / ("vclog" + std::to_string(slot) + ".log");
    std::lock_guard lock(logMutex);
    ++log->filters;
    // Never truncated under a live filter of the slot: only a file not open yet is created.
    if (log->file == kNoLogFile) {
        log->file = CreateLogFile(path);
    }
    Emit(log, kHeader);
}

void VCLogRelease(int slot) {
    SlotLog *log = LogOfSlot(slot);
    if (!log)
        return;
    std::lock_guard lock(logMutex);
    assert(log->filters > 0 && "VCLogRelease without VCLogInitialize");
    if (log->filters == 0 || --log->filters > 0 || log->file == kNoLogFile)
        return;
    CloseLogFile(log->file);
    log->file = kNoLogFile;
}

SlotLogHold::SlotLogHold(int slot) : m_slot(slot) {
    if (m_slot != 0)
        VCLogInitialize(m_slot);
}

SlotLogHold::~SlotLogHold() {
    if (m_slot != 0)
        VCLogRelease(m_slot);
}

void VCLogTo(int slot, int /*level*/, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const std::string line = FormatLine(format, args);
    va_end(args);
    if (line.empty())
        return;
    std::lock_guard lock(logMutex);
    Emit(LogOfSlot(slot), line);
}

} // namespace Kestra
