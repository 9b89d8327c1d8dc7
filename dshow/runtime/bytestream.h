// Little-endian writer and bounded reader for the runtime's small binary formats (the registry
// value files and the filter data). Plain values, used on the calling thread only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class ByteWriter {
public:
    void U32(uint32_t value);
    void Bytes(std::span<const BYTE> bytes);
    void Guid(const GUID &guid);
    // Code units as 16-bit little-endian words, no length and no terminator.
    void Utf16(std::u16string_view text);

    const std::vector<BYTE> &Data() const { return m_data; }
    std::vector<BYTE> Take() { return std::move(m_data); }

private:
    std::vector<BYTE> m_data;
};

// Every read checks the remaining length first, so a truncated or hostile input can only make
// a read fail, never read past its end. After a failed read Ok() stays false.
class ByteReader {
public:
    explicit ByteReader(std::span<const BYTE> data) : m_data(data) {}

    bool U32(uint32_t *value);
    bool Bytes(size_t count, std::vector<BYTE> *bytes);
    bool Guid(GUID *guid);
    bool Utf16(size_t units, std::u16string *text);

    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_pos == m_data.size(); }
    size_t Remaining() const { return m_data.size() - m_pos; }

private:
    bool Take(size_t count, const BYTE **bytes);

    std::span<const BYTE> m_data;
    size_t m_pos = 0;
    bool m_ok = true;
};
