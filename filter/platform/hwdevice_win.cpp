#include "hwdevice.h"

namespace Kestra {

std::span<const AVHWDeviceType> HardwareDeviceTypes() {
    static constexpr AVHWDeviceType kTypes[] = {AV_HWDEVICE_TYPE_DXVA2};
    return kTypes;
}

} // namespace Kestra
