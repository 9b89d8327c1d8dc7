// The registry form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <windows.h>

namespace {

constexpr int kGuidTextLength = 38;
// Offsets of the 32 hex digits in the text form; Data1, Data2, Data3, then the eight bytes.
constexpr int kDigitOffsets[32] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 15, 16, 17, 18,
                                   20, 21, 22, 23, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The GUID's 32 nibbles in text order.
void Nibbles(const GUID &guid, int out[32]) {
    uint64_t head = static_cast<uint64_t>(guid.Data1) << 32 |
                    static_cast<uint64_t>(guid.Data2) << 16 | guid.Data3;
    for (int i = 0; i < 16; ++i)
        out[i] = static_cast<int>(head >> (60 - 4 * i) & 0xF);
    for (int i = 0; i < 8; ++i) {
        out[16 + 2 * i] = guid.Data4[i] >> 4;
        out[17 + 2 * i] = guid.Data4[i] & 0xF;
    }
}

char16_t PunctuationAt(int offset) {
    switch (offset) {
    case 0:
        return u'{';
    case 9:
    case 14:
    case 19:
    case 24:
        return u'-';
    case 37:
        return u'}';
    default:
        return 0;
    }
}

} // namespace

STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < kGuidTextLength + 1)
        return 0;
    int nibbles[32];
    Nibbles(rguid, nibbles);
    for (int offset = 0; offset < kGuidTextLength; ++offset)
        lpsz[offset] = PunctuationAt(offset);
    for (int i = 0; i < 32; ++i)
        lpsz[kDigitOffsets[i]] = static_cast<char16_t>(u"0123456789ABCDEF"[nibbles[i]]);
    lpsz[kGuidTextLength] = u'\0';
    return kGuidTextLength + 1;
}

STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid)
        return E_INVALIDARG;
    *pclsid = GUID_NULL;
    if (!lpsz)
        return S_OK; // as COM does: no text names the null class
    // Checked one character at a time, so a short string stops at its terminator.
    int nibbles[32];
    int next = 0;
    for (int offset = 0; offset < kGuidTextLength; ++offset) {
        const char16_t c = lpsz[offset];
        if (const char16_t expected = PunctuationAt(offset)) {
            if (c != expected)
                return CO_E_CLASSSTRING;
        } else if ((nibbles[next++] = HexValue(c)) < 0) {
            return CO_E_CLASSSTRING;
        }
    }
    if (lpsz[kGuidTextLength] != u'\0')
        return CO_E_CLASSSTRING;
    uint64_t head = 0;
    for (int i = 0; i < 16; ++i)
        head = head << 4 | static_cast<uint64_t>(nibbles[i]);
    pclsid->Data1 = static_cast<uint32_t>(head >> 32);
    pclsid->Data2 = static_cast<uint16_t>(head >> 16);
    pclsid->Data3 = static_cast<uint16_t>(head);
    for (int i = 0; i < 8; ++i)
        pclsid->Data4[i] = static_cast<uint8_t>(nibbles[16 + 2 * i] << 4 | nibbles[17 + 2 * i]);
    return S_OK;
}
