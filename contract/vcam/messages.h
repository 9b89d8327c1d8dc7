// The messages the filter posts to KestraLive's main window, and, where there are no window
// messages (Linux), the datagram that carries them and the rule both sides use to find its
// endpoint.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Messages the filter posts to the window titled mainWindowTitle (WM_USER + 55..57).
// wParam is always the camera number.
constexpr std::uint32_t WM_VCAM_ACTIVE = 0x437;     // lParam 1: streaming, 0: receiver ended
constexpr std::uint32_t WM_VCAM_RESOLUTION = 0x438; // lParam: resolution code 1..4
constexpr std::uint32_t WM_VCAM_FPS = 0x439;        // lParam: frame rate

constexpr bool isVCamMessage(std::uint32_t message) {
    return message >= WM_VCAM_ACTIVE && message <= WM_VCAM_FPS;
}

// The message's name, for logs; null for any other message.
constexpr const char *vcamMessageName(std::uint32_t message) {
    switch (message) {
    case WM_VCAM_ACTIVE:
        return "WM_VCAM_ACTIVE";
    case WM_VCAM_RESOLUTION:
        return "WM_VCAM_RESOLUTION";
    case WM_VCAM_FPS:
        return "WM_VCAM_FPS";
    default:
        return nullptr;
    }
}

inline constexpr char mainWindowTitle[] = "KestraStudioMain";
inline constexpr wchar_t mainWindowTitleWide[] = L"KestraStudioMain";

// One posted message as it crosses between the processes.
struct VCamMessage {
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;

    friend constexpr bool operator==(const VCamMessage &, const VCamMessage &) = default;
};

// Linux datagram: message (4 bytes), wParam (8), lParam (8), little-endian and
// packed by hand so that both sides agree whatever their compilers do.
inline constexpr std::size_t vcamDatagramSize = 20;
using VCamDatagram = std::array<std::uint8_t, vcamDatagramSize>;

namespace vcamwire {

constexpr void put(VCamDatagram &bytes, std::size_t at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr std::uint64_t get(const std::uint8_t *bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint64_t>(bytes[at + i]) << (8 * i);
    return value;
}

} // namespace vcamwire

constexpr VCamDatagram encodeVCamMessage(const VCamMessage &m) {
    VCamDatagram bytes{};
    vcamwire::put(bytes, 0, m.message, 4);
    vcamwire::put(bytes, 4, m.wParam, 8);
    vcamwire::put(bytes, 12, static_cast<std::uint64_t>(m.lParam), 8);
    return bytes;
}

// Empty for a datagram of any other size.
constexpr std::optional<VCamMessage> decodeVCamMessage(const std::uint8_t *bytes,
                                                       std::size_t size) {
    if (size != vcamDatagramSize)
        return std::nullopt;
    return VCamMessage{static_cast<std::uint32_t>(vcamwire::get(bytes, 0, 4)),
                       vcamwire::get(bytes, 4, 8),
                       static_cast<std::int64_t>(vcamwire::get(bytes, 12, 8))};
}

// Where KestraLive's endpoint listens: in the private per-user runtime folder,
// or, without one (an unset or relative XDG_RUNTIME_DIR), in /tmp under the
// user's id. Both sides resolve it on every use with the same rule.
inline std::string mainWindowEndpointPath(const char *runtimeDir, unsigned long uid) {
    if (runtimeDir && runtimeDir[0] == '/')
        return std::string(runtimeDir) + '/' + mainWindowTitle;
    return std::string("/tmp/") + mainWindowTitle + '-' + std::to_string(uid);
}
