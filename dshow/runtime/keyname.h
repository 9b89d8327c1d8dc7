// Registry key names: splitting a "a\b\c" sub-key path into names, rejecting names that could
// not be stored safely as one folder below the store's root, and the case-insensitive
// comparison Windows uses for key and value names. Pure functions, any thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// Names the store keeps for itself inside a key folder; no key may be called like them.
inline constexpr std::string_view kReservedPrefix = ".kestra-";

// Splits subKey at backslashes into *names (empty input gives no names). Returns
// ERROR_INVALID_PARAMETER for an empty component, ".", "..", a '/', a NUL, an unpaired
// surrogate, a name longer than 255 units, or a name starting with the reserved prefix.
LONG SplitKeyPath(std::u16string_view subKey, std::vector<std::u16string> *names);

bool IsValidKeyName(std::u16string_view name);

// Case folding for names: ASCII letters only, which covers class identifiers and the names
// the filter and tools use; other characters compare exactly.
std::u16string FoldName(std::u16string_view name);
bool NamesEqual(std::u16string_view a, std::u16string_view b);
