// Text at the platform's edges, in the UTF-8 the tool speaks everywhere else: the UTF-16
// strings of the COM interfaces (WCHAR is char16_t in our Linux runtime, wchar_t on Windows)
// and the command line (UTF-8 already on Linux; on Windows taken from the wide command line,
// since the narrow argv is in the ANSI code page).
//
// Pure functions, callable from any thread. Ill-formed input never fails: it becomes U+FFFD.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace capture {

using WideText = std::basic_string<WCHAR>;
using WideTextView = std::basic_string_view<WCHAR>;

std::string Utf8FromWide(WideTextView text);
WideText WideFromUtf8(std::string_view text);

// The arguments after the program's name.
std::vector<std::string> CommandLineArguments(int argc, char **argv);

} // namespace capture
