#include "hwdevice.h"

namespace Kestra {

std::span<const AVHWDeviceType> HardwareDeviceTypes() {
    static constexpr AVHWDeviceType kTypes[] = {AV_HWDEVICE_TYPE_VAAPI, AV_HWDEVICE_TYPE_CUDA};
    return kTypes;
}

} // namespace Kestra
