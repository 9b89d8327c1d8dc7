// UTF-8 <-> UTF-16 conversion for the runtime and the tools that print or take device names.
// Pure functions, callable from any thread. Malformed input never fails: every ill-formed UTF-8
// subsequence and every unpaired surrogate becomes U+FFFD, and nothing is read past the input's
// length (embedded NULs are converted like any other character).
#pragma once

#include <string>
#include <string_view>

std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
