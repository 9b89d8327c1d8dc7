// Feeds arbitrary bytes to the filter's INI reader as the pairing file's text. Besides the
// sanitizers, checks the promises the filter relies on: a value is never longer than the
// 47 UTF-16 units the Windows side reads, and it is valid UTF-8 (every malformed byte has
// become U+FFFD). The first line, when it reads "section/key", also picks what to look up,
// so the fuzzer can reach names it invents.
#include "config/inireader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// Counts UTF-16 units, aborting on anything that is not well-formed UTF-8.
std::size_t Utf16Units(std::string_view text) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
        check(lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4));
        check(i + length <= text.size());
        for (std::size_t k = 1; k < length; ++k)
            check((static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80);
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

void checkValue(const std::optional<std::string> &value) {
    if (value)
        check(Utf16Units(*value) <= Kestra::kMaxIniValueUnits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    checkValue(Kestra::FindIniValue(text, "VCameralist", "VCamera1"));

    const std::string_view first = text.substr(0, text.find('\n'));
    const std::size_t slash = first.find('/');
    if (slash != std::string_view::npos)
        checkValue(Kestra::FindIniValue(text, first.substr(0, slash), first.substr(slash + 1)));
    return 0;
}
