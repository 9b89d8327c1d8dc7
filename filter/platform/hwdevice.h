// The hardware decoding devices a platform offers, in the order the decoder tries them.
// Pure: callable from any thread.
#pragma once

#include <span>

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace Kestra {

std::span<const AVHWDeviceType> HardwareDeviceTypes();

} // namespace Kestra
