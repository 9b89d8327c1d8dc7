// The names and class identifiers of the four virtual cameras, in class-table order: the COM
// server registers and creates them from this table, and every filter object names itself
// after row 1 (so all four report row 1's identifier through IPersist::GetClassID).
//
// Constants only; usable from any thread.
#pragma once

#include <windows.h>

namespace Kestra {

inline constexpr int kCameraCount = 4;

// The four identifiers differ only in their last byte.
inline constexpr GUID CLSID_KestraCamera1 = {
    0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5D}};
inline constexpr GUID CLSID_KestraCamera2 = {
    0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5E}};
inline constexpr GUID CLSID_KestraCamera3 = {
    0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5F}};
inline constexpr GUID CLSID_KestraCamera4 = {
    0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5C}};

struct KestraCameraId {
    int slot;          // 1..4
    const WCHAR *name; // the filter's friendly name
    const GUID *clsid;
};

inline constexpr KestraCameraId kKestraCameras[kCameraCount] = {
    {1, OLESTR("Kestra Camera1"), &CLSID_KestraCamera1},
    {2, OLESTR("Kestra Camera2"), &CLSID_KestraCamera2},
    {3, OLESTR("Kestra Camera3"), &CLSID_KestraCamera3},
    {4, OLESTR("Kestra Camera4"), &CLSID_KestraCamera4},
};

// Every filter object's own name (for CBaseObject and the pin's object name), whatever its slot.
inline constexpr char kKestraCameraObjectName[] = "Kestra Camera1";

} // namespace Kestra
