// The "FilterData" value the filter mapper writes for each registered filter: a REGFILTER2 in
// a small binary form of our own. Both REGFILTER2 versions become the same pin records. Plain
// values, any thread.
//
// Layout, all integers 32-bit little-endian, GUIDs as Data1, Data2 | Data3 << 16, Data4:
//   "KFDT", format version (1), REGFILTER2 version (1 or 2), merit, pin count,
//   then per pin: flags (kPin* below), instances, name length in UTF-16 units, the name
//   (UTF-16LE; version-1 pins only), media type count, per type its major and minor GUID,
//   medium count, per medium its GUID, dw1 and dw2, and the pin category GUID (GUID_NULL when
//   none).
// Bounds: at most 64 pins, 256 media types and 64 mediums per pin, names under MAX_PIN_NAME
// units; registering more fails with E_INVALIDARG and decoding more fails.
#pragma once

#include <dshow.h>

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct FilterPinData {
    // The documented REG_PINFLAG_B_* values.
    static constexpr DWORD kPinZero = 0x1;
    static constexpr DWORD kPinRenderer = 0x2;
    static constexpr DWORD kPinMany = 0x4;
    static constexpr DWORD kPinOutput = 0x8;

    DWORD flags = 0;
    UINT instances = 0;
    std::u16string name;
    std::vector<std::pair<GUID, GUID>> mediaTypes; // major, minor
    std::vector<REGPINMEDIUM> mediums;
    GUID category = GUID_NULL;
};

struct FilterData {
    DWORD version = 2;
    DWORD merit = 0;
    std::vector<FilterPinData> pins;

    // E_POINTER for a missing array, E_INVALIDARG for an unknown version or too much data.
    static HRESULT FromRegFilter2(const REGFILTER2 &filter, FilterData *data);
    std::vector<BYTE> Encode() const;
    static std::optional<FilterData> Decode(std::span<const BYTE> bytes);
};
