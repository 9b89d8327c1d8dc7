// Text conversions for the Windows API calls of the filter (Windows only). UTF-8 is what the
// filter's code speaks; the API takes UTF-16. Stateless; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace Kestra {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// The ANSI code page bytes, as the log file has always been written.
std::string AnsiFromWide(std::wstring_view text);

} // namespace Kestra
