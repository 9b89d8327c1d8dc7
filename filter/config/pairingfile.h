// Which camera a virtual camera shows: KestraLive publishes each pairing as
// [VCameralist] VCamera<n>=<camera address> in <KestraLive folder>/ini/VConfig.ini, and the
// filter reads it whenever its receiver (re)connects, so a new pairing takes effect without
// restarting the video application.
//
// Stateless; callable from any thread. KestraLive replaces the file atomically, so a read
// sees either the old or the new file.
#pragma once

#include <string>

namespace Kestra {

// The address paired with slot (1..4); "" when the slot is free, "Error" when the file or the
// key is missing. At most 47 UTF-16 units, as the Windows side reads it.
std::string ReadPairedCameraAddress(int slot);

inline std::string StreamAddressFor(const std::string &host) {
    return "rtsp://" + host + "/livestream/11";
}

} // namespace Kestra
