#include "widetext.h"

#include "runtime/wide.h"

#include <algorithm>

namespace capture {

std::string Utf8FromWide(WideTextView text) {
    return ToUtf8(text);
}

WideText WideFromUtf8(std::string_view text) {
    return ToUtf16(text);
}

std::vector<std::string> CommandLineArguments(int argc, char **argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

} // namespace capture
