// Counts the camera pictures a pin delivers per second and logs the rate when it leaves the
// normal band (21 to 34 pictures per second), so a starving or flooding camera shows in the
// filter log without a line per second in normal operation.
//
// Threads: the pin's streaming thread only (under the fill lock).
#pragma once

#include <cstdint>
#include <optional>

namespace Kestra {

class FrameRateMeter {
public:
    // Logs to the slot's file.
    explicit FrameRateMeter(int slot) : slot_(slot) {}

    // Called once per decoded picture with the tick count in milliseconds.
    void Count(uint64_t nowMs);

private:
    const int slot_;
    std::optional<uint64_t> secondStart_;
    uint16_t pictures_ = 0;
};

} // namespace Kestra
