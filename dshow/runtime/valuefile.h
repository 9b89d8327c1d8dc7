// The values of one registry key, kept in one file inside the key's folder. A store replaces
// the whole file atomically (temporary file, fsync, rename), so a reader in any thread or
// process sees either the old or the new set, never a part. Writers serialise among themselves
// with the store's lock (registrystore.h); this class takes no lock.
//
// File layout, all integers 32-bit little-endian:
//   "KRGV", format version (1), value count,
//   then per value: type, name length in UTF-16 units, data length in bytes,
//   the name (UTF-16LE, no terminator), the data.
// Reading is bounded: a file over 32 MiB, more than 65536 values, a name over 16383 units or a
// length running past the end is rejected as ERROR_INVALID_DATA.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

struct RegistryValue {
    std::u16string name; // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class ValueFile {
public:
    static constexpr const char *kFileName = ".kestra-values";
    static constexpr size_t kMaxNameLength = 16383;

    explicit ValueFile(std::string folder) : m_folder(std::move(folder)) {}

    // A key without a file has no values: ERROR_SUCCESS with an empty list.
    LONG Load(std::vector<RegistryValue> *values) const;
    LONG Store(const std::vector<RegistryValue> &values) const;

    static std::vector<BYTE> Encode(const std::vector<RegistryValue> &values);
    static std::optional<std::vector<RegistryValue>> Decode(std::span<const BYTE> bytes);

private:
    std::string m_folder;
};

// Maps a POSIX errno to the Win32 error a registry call reports.
LONG Win32ErrorFromErrno(int error, LONG fallback);
