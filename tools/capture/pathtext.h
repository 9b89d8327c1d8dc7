// File paths as the tool's UTF-8 text, whatever the platform's own encoding of them (on
// Windows a narrow path is in the ANSI code page, and converting one that it cannot hold
// fails). Pure; any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace capture {

inline std::filesystem::path PathFromText(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string PathText(const std::filesystem::path &path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace capture
