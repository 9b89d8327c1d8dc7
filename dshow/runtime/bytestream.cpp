#include "bytestream.h"

void ByteWriter::U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        m_data.push_back(static_cast<BYTE>(value >> shift));
}

void ByteWriter::Bytes(std::span<const BYTE> bytes) {
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
}

void ByteWriter::Guid(const GUID &guid) {
    U32(guid.Data1);
    U32(static_cast<uint32_t>(guid.Data2) | static_cast<uint32_t>(guid.Data3) << 16);
    Bytes(guid.Data4);
}

void ByteWriter::Utf16(std::u16string_view text) {
    for (char16_t unit : text) {
        m_data.push_back(static_cast<BYTE>(unit));
        m_data.push_back(static_cast<BYTE>(unit >> 8));
    }
}

bool ByteReader::Take(size_t count, const BYTE **bytes) {
    if (!m_ok || count > Remaining()) {
        m_ok = false;
        return false;
    }
    *bytes = m_data.data() + m_pos;
    m_pos += count;
    return true;
}

bool ByteReader::U32(uint32_t *value) {
    const BYTE *p = nullptr;
    if (!Take(4, &p))
        return false;
    *value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return true;
}

bool ByteReader::Bytes(size_t count, std::vector<BYTE> *bytes) {
    const BYTE *p = nullptr;
    if (!Take(count, &p))
        return false;
    bytes->assign(p, p + count);
    return true;
}

bool ByteReader::Guid(GUID *guid) {
    uint32_t words = 0;
    const BYTE *tail = nullptr;
    if (!U32(&guid->Data1) || !U32(&words) || !Take(8, &tail))
        return false;
    guid->Data2 = static_cast<uint16_t>(words);
    guid->Data3 = static_cast<uint16_t>(words >> 16);
    std::memcpy(guid->Data4, tail, 8);
    return true;
}

bool ByteReader::Utf16(size_t units, std::u16string *text) {
    const BYTE *p = nullptr;
    if (units > Remaining() / 2 || !Take(units * 2, &p)) {
        m_ok = false;
        return false;
    }
    text->resize(units);
    for (size_t i = 0; i < units; ++i)
        (*text)[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    return true;
}
