// The filter's diagnostic log: one file per virtual camera, <KestraLive folder>/log/
// vclog<slot>.log, plus the debugger output (on Linux stderr, only with KESTRA_VCLOG_STDERR=1,
// because the video application owns its stderr). The folder is KestraLive's; the filter never
// creates it, and without it lines reach the debugger output only.
//
// A slot's file is open while a filter of that slot lives: the first such filter starts it
// afresh, later ones add to it, and the last one to go closes it, so that a library unloaded
// after its filters are gone leaves no open file behind. Each filter's start writes the header.
//
// Any thread may call. One module-wide lock (vclog.cpp) guards the open files and their
// counts, and is held for every open, line and close, so a line never meets a file that is
// being closed and each line is whole in the file and in the debugger output.
#pragma once

namespace Kestra {

// A filter of slot (1 to 4) starts: creates the slot's file unless it is open already, then
// writes the header. Pair each call with VCLogRelease; SlotLogHold does both.
void VCLogInitialize(int slot);
// That filter is gone; the last filter of the slot closes the file.
void VCLogRelease(int slot);

// VCLogInitialize for the holder's lifetime. Slot 0 holds nothing.
class SlotLogHold {
public:
    explicit SlotLogHold(int slot);
    ~SlotLogHold();
    SlotLogHold(const SlotLogHold &) = delete;
    SlotLogHold &operator=(const SlotLogHold &) = delete;

private:
    const int m_slot;
};

// Appends the printf-formatted text and one line feed to the slot's file. The text is cut at
// 4095 bytes; empty text writes nothing. level is informational only: nothing is filtered.
void VCLogTo(int slot, int level, const char *format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace Kestra
