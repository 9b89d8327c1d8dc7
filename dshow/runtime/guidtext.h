// The registry form of a GUID as a string, for building key paths. Any thread.
#pragma once

#include <windows.h>

#include <string>

inline std::u16string GuidText(REFGUID guid) {
    WCHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}
