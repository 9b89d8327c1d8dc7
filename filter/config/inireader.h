// Reads one value from the text of an INI file as QSettings writes it, with the answers
// GetPrivateProfileString gives on Windows, so that the filter reads the pairing file the same
// on every platform.
//
// Understood: "[section]" lines, "key=value" lines, comment lines starting with ';' or '#',
// CRLF or LF line ends, spaces and tabs around keys and values, double-quoted value parts,
// QSettings' escapes in values (\\ \" \n \t \r \0 \a \b \f \v \xHHHH \ooo, where \x carries a
// UTF-16 unit), its percent-encoded section and key names (%XX, %UXXXX) and raw UTF-8.
// Names compare without regard to ASCII case; only the first section of a name counts and in it
// the first key of a name wins. The value is cut to kMaxIniValueUnits UTF-16 units (the 48-unit
// buffer the Windows side reads into, less its terminator) and returned as UTF-8.
//
// Pure and reentrant; any bytes are safe input.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Kestra {

inline constexpr std::size_t kMaxIniValueUnits = 47;

// Empty when the section or the key is not there; a present empty value is "".
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

} // namespace Kestra
