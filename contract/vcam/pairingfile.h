// Where KestraLive publishes each slot's camera address and the filter reads it:
// <program folder>/ini/VConfig.ini, section [VCameralist], keys VCamera1..VCamera4. KestraLive
// writes it key by key; every filter reads it at each connection attempt.
#pragma once

#include <string>

namespace vconfig {

inline constexpr char programFolder[] = "KestraLive"; // per-user folder on Linux
inline constexpr char iniFolder[] = "ini";
inline constexpr char logFolder[] = "log";
inline constexpr char fileName[] = "VConfig.ini";
inline constexpr char section[] = "VCameralist";
inline constexpr char keyPrefix[] = "VCamera";

// "VCamera" + slot, the key of one virtual camera.
inline std::string slotKey(int slot) {
    return keyPrefix + std::to_string(slot);
}

} // namespace vconfig
