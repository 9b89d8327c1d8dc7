#include "aes/aes.h"

#include <cstring>
#include <utility>

namespace {

// Multiplication by x (that is, by 2) in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t xtime(std::uint8_t b) {
    return static_cast<std::uint8_t>((b << 1) ^ ((b & 0x80) ? 0x1b : 0x00));
}

// The state is kept in input order, which is column-major: byte (row r, column c) is at 4c + r.
void addRoundKey(std::uint8_t *state, const std::uint8_t *roundKey) {
    for (int i = 0; i < 16; ++i)
        state[i] ^= roundKey[i];
}

void shiftRows(std::uint8_t *s) {
    std::uint8_t t = s[1];
    s[1] = s[5];
    s[5] = s[9];
    s[9] = s[13];
    s[13] = t;

    std::swap(s[2], s[10]);
    std::swap(s[6], s[14]);

    t = s[15];
    s[15] = s[11];
    s[11] = s[7];
    s[7] = s[3];
    s[3] = t;
}

void inverseShiftRows(std::uint8_t *s) {
    std::uint8_t t = s[13];
    s[13] = s[9];
    s[9] = s[5];
    s[5] = s[1];
    s[1] = t;

    std::swap(s[2], s[10]);
    std::swap(s[6], s[14]);

    t = s[3];
    s[3] = s[7];
    s[7] = s[11];
    s[11] = s[15];
    s[15] = t;
}

void mixColumns(std::uint8_t *s) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t *col = s + 4 * c;
        const std::uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        const std::uint8_t all = a0 ^ a1 ^ a2 ^ a3;
        col[0] ^= all ^ xtime(a0 ^ a1);
        col[1] ^= all ^ xtime(a1 ^ a2);
        col[2] ^= all ^ xtime(a2 ^ a3);
        col[3] ^= all ^ xtime(a3 ^ a0);
    }
}

// The inverse matrix circ(0e, 0b, 0d, 09) equals circ(02, 03, 01, 01) x circ(05, 00, 04, 00):
// apply the cheap right-hand factor, then let mixColumns() do the rest.
void inverseMixColumns(std::uint8_t *s) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t *col = s + 4 * c;
        const std::uint8_t u = xtime(xtime(col[0] ^ col[2]));
        const std::uint8_t v = xtime(xtime(col[1] ^ col[3]));
        col[0] ^= u;
        col[1] ^= v;
        col[2] ^= u;
        col[3] ^= v;
    }
    mixColumns(s);
}

void xorBlock(std::uint8_t *dst, const std::uint8_t *a, const std::uint8_t *b) {
    for (int i = 0; i < 16; ++i)
        dst[i] = a[i] ^ b[i];
}

int keyLengthFor(AES::KeySize keySize) {
    switch (keySize) {
    case AES::AES_192:
        return 24;
    case AES::AES_256:
        return 32;
    case AES::AES_128:
        break;
    }
    return 16;
}

const std::uint8_t *rawBytes(const QByteArray &array) {
    return reinterpret_cast<const std::uint8_t *>(array.constData());
}

std::uint8_t *rawBytes(QByteArray &array) {
    return reinterpret_cast<std::uint8_t *>(array.data());
}

} // namespace

// clang-format off
const std::uint8_t AES::sbox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

const std::uint8_t AES::inverseSbox[256] = {
    0x52, 0x09, 0x6a, 0xd5, 0x30, 0x36, 0xa5, 0x38, 0xbf, 0x40, 0xa3, 0x9e, 0x81, 0xf3, 0xd7, 0xfb,
    0x7c, 0xe3, 0x39, 0x82, 0x9b, 0x2f, 0xff, 0x87, 0x34, 0x8e, 0x43, 0x44, 0xc4, 0xde, 0xe9, 0xcb,
    0x54, 0x7b, 0x94, 0x32, 0xa6, 0xc2, 0x23, 0x3d, 0xee, 0x4c, 0x95, 0x0b, 0x42, 0xfa, 0xc3, 0x4e,
    0x08, 0x2e, 0xa1, 0x66, 0x28, 0xd9, 0x24, 0xb2, 0x76, 0x5b, 0xa2, 0x49, 0x6d, 0x8b, 0xd1, 0x25,
    0x72, 0xf8, 0xf6, 0x64, 0x86, 0x68, 0x98, 0x16, 0xd4, 0xa4, 0x5c, 0xcc, 0x5d, 0x65, 0xb6, 0x92,
    0x6c, 0x70, 0x48, 0x50, 0xfd, 0xed, 0xb9, 0xda, 0x5e, 0x15, 0x46, 0x57, 0xa7, 0x8d, 0x9d, 0x84,
    0x90, 0xd8, 0xab, 0x00, 0x8c, 0xbc, 0xd3, 0x0a, 0xf7, 0xe4, 0x58, 0x05, 0xb8, 0xb3, 0x45, 0x06,
    0xd0, 0x2c, 0x1e, 0x8f, 0xca, 0x3f, 0x0f, 0x02, 0xc1, 0xaf, 0xbd, 0x03, 0x01, 0x13, 0x8a, 0x6b,
    0x3a, 0x91, 0x11, 0x41, 0x4f, 0x67, 0xdc, 0xea, 0x97, 0xf2, 0xcf, 0xce, 0xf0, 0xb4, 0xe6, 0x73,
    0x96, 0xac, 0x74, 0x22, 0xe7, 0xad, 0x35, 0x85, 0xe2, 0xf9, 0x37, 0xe8, 0x1c, 0x75, 0xdf, 0x6e,
    0x47, 0xf1, 0x1a, 0x71, 0x1d, 0x29, 0xc5, 0x89, 0x6f, 0xb7, 0x62, 0x0e, 0xaa, 0x18, 0xbe, 0x1b,
    0xfc, 0x56, 0x3e, 0x4b, 0xc6, 0xd2, 0x79, 0x20, 0x9a, 0xdb, 0xc0, 0xfe, 0x78, 0xcd, 0x5a, 0xf4,
    0x1f, 0xdd, 0xa8, 0x33, 0x88, 0x07, 0xc7, 0x31, 0xb1, 0x12, 0x10, 0x59, 0x27, 0x80, 0xec, 0x5f,
    0x60, 0x51, 0x7f, 0xa9, 0x19, 0xb5, 0x4a, 0x0d, 0x2d, 0xe5, 0x7a, 0x9f, 0x93, 0xc9, 0x9c, 0xef,
    0xa0, 0xe0, 0x3b, 0x4d, 0xae, 0x2a, 0xf5, 0xb0, 0xc8, 0xeb, 0xbb, 0x3c, 0x83, 0x53, 0x99, 0x61,
    0x17, 0x2b, 0x04, 0x7e, 0xba, 0x77, 0xd6, 0x26, 0xe1, 0x69, 0x14, 0x63, 0x55, 0x21, 0x0c, 0x7d,
};
// clang-format on

// Rcon[i] for i = 1..10: x^(i-1) in GF(2^8). AES-128 needs all ten, the longer keys fewer.
const std::uint8_t AES::roundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                              0x20, 0x40, 0x80, 0x1b, 0x36};

AES::AES(KeySize keySize, Mode mode, Padding padding, QObject *parent)
    : QObject(parent), m_keySize(keySize), m_mode(mode), m_padding(padding),
      m_keyLength(keyLengthFor(keySize)), m_rounds(m_keyLength / 4 + 6),
      m_expandedKeyLength(BlockLength * (m_rounds + 1)) {}

AES &AES::instance() {
    static AES shared(AES_128, ECB, PKCS7);
    return shared;
}

bool AES::acceptsKeyAndIv(const QByteArray &key, const QByteArray &iv) const {
    if (key.size() != m_keyLength)
        return false;
    return m_mode == ECB || iv.size() == BlockLength;
}

void AES::expandKey(const QByteArray &key, RoundKeys &w) const {
    const int nk = m_keyLength / 4;
    std::memcpy(w, key.constData(), m_keyLength);
    for (int i = nk; i < m_expandedKeyLength / 4; ++i) {
        std::uint8_t t[4];
        std::memcpy(t, w + 4 * (i - 1), 4);
        if (i % nk == 0) {
            const std::uint8_t first = t[0];
            t[0] = sbox[t[1]] ^ roundConstants[i / nk - 1];
            t[1] = sbox[t[2]];
            t[2] = sbox[t[3]];
            t[3] = sbox[first];
        } else if (nk > 6 && i % nk == 4) {
            for (std::uint8_t &b : t)
                b = sbox[b];
        }
        for (int j = 0; j < 4; ++j)
            w[4 * i + j] = w[4 * (i - nk) + j] ^ t[j];
    }
}

void AES::encryptBlock(const std::uint8_t *in, std::uint8_t *out, const RoundKeys &rk) const {
    Block s;
    std::memcpy(s, in, BlockLength);
    addRoundKey(s, rk);
    for (int round = 1; round <= m_rounds; ++round) {
        for (std::uint8_t &b : s)
            b = sbox[b];
        shiftRows(s);
        if (round != m_rounds)
            mixColumns(s);
        addRoundKey(s, rk + BlockLength * round);
    }
    std::memcpy(out, s, BlockLength);
}

void AES::decryptBlock(const std::uint8_t *in, std::uint8_t *out, const RoundKeys &rk) const {
    Block s;
    std::memcpy(s, in, BlockLength);
    addRoundKey(s, rk + BlockLength * m_rounds);
    for (int round = m_rounds - 1; round >= 0; --round) {
        inverseShiftRows(s);
        for (std::uint8_t &b : s)
            b = inverseSbox[b];
        addRoundKey(s, rk + BlockLength * round);
        if (round != 0)
            inverseMixColumns(s);
    }
    std::memcpy(out, s, BlockLength);
}

QByteArray AES::encode(const QByteArray &plain, const QByteArray &key, const QByteArray &iv) const {
    if (!acceptsKeyAndIv(key, iv))
        return {};

    const int tail = static_cast<int>(plain.size() % BlockLength);
    QByteArray data = plain;
    switch (m_padding) {
    case ZERO:
        if (tail != 0)
            data.append(BlockLength - tail, '\0');
        break;
    case PKCS7:
        data.append(BlockLength - tail, static_cast<char>(BlockLength - tail));
        break;
    case ISO:
        data.append('\x80');
        data.append(BlockLength - tail - 1, '\0');
        break;
    }
    if (data.isEmpty())
        return {};

    RoundKeys rk;
    expandKey(key, rk);

    std::uint8_t *p = rawBytes(data);
    const std::uint8_t *const end = p + data.size();
    Block chain;
    if (m_mode != ECB)
        std::memcpy(chain, iv.constData(), BlockLength);

    // Encrypted in place: each block is read before it is overwritten.
    for (; p != end; p += BlockLength) {
        switch (m_mode) {
        case ECB:
            encryptBlock(p, p, rk);
            break;
        case CBC:
            xorBlock(chain, chain, p);
            encryptBlock(chain, chain, rk);
            std::memcpy(p, chain, BlockLength);
            break;
        case CFB:
            encryptBlock(chain, chain, rk);
            xorBlock(chain, chain, p);
            std::memcpy(p, chain, BlockLength);
            break;
        case OFB:
            encryptBlock(chain, chain, rk);
            xorBlock(p, p, chain);
            break;
        }
    }
    return data;
}

QByteArray AES::decode(const QByteArray &cipher, const QByteArray &key,
                       const QByteArray &iv) const {
    if (!acceptsKeyAndIv(key, iv) || cipher.isEmpty() || cipher.size() % BlockLength != 0)
        return {};

    RoundKeys rk;
    expandKey(key, rk);

    QByteArray plain(cipher.size(), Qt::Uninitialized);
    const std::uint8_t *in = rawBytes(cipher);
    std::uint8_t *out = rawBytes(plain);
    Block chain;
    if (m_mode != ECB)
        std::memcpy(chain, iv.constData(), BlockLength);

    for (qsizetype offset = 0; offset < cipher.size(); offset += BlockLength) {
        const std::uint8_t *c = in + offset;
        std::uint8_t *p = out + offset;
        switch (m_mode) {
        case ECB:
            decryptBlock(c, p, rk);
            break;
        case CBC:
            decryptBlock(c, p, rk);
            xorBlock(p, p, chain);
            std::memcpy(chain, c, BlockLength);
            break;
        case CFB:
            // CFB and OFB only ever run the cipher forwards.
            encryptBlock(chain, chain, rk);
            xorBlock(p, c, chain);
            std::memcpy(chain, c, BlockLength);
            break;
        case OFB:
            encryptBlock(chain, chain, rk);
            xorBlock(p, c, chain);
            break;
        }
    }
    return plain;
}

QByteArray AES::removePadding(const QByteArray &bytes, Padding padding) {
    qsizetype size = bytes.size();
    switch (padding) {
    case PKCS7: {
        if (size == 0)
            return {};
        const int count = static_cast<std::uint8_t>(bytes.back());
        if (count == 0 || count > BlockLength || count > size)
            return {};
        for (qsizetype i = size - count; i < size; ++i) {
            if (static_cast<std::uint8_t>(bytes[i]) != count)
                return {};
        }
        return bytes.left(size - count);
    }
    case ZERO:
        while (size > 0 && bytes[size - 1] == '\0')
            --size;
        return bytes.left(size);
    case ISO:
        while (size > 0 && bytes[size - 1] == '\0')
            --size;
        if (size == 0 || static_cast<std::uint8_t>(bytes[size - 1]) != 0x80)
            return {};
        return bytes.left(size - 1);
    }
    return {};
}

QString AES::encryptText(const QString &text, const QByteArray &key, const QByteArray &iv) const {
    const QByteArray cipher = encode(text.toUtf8(), key, iv);
    if (cipher.isEmpty())
        return {};
    return QString::fromLatin1(cipher.toBase64());
}

QString AES::decryptText(const QString &text, const QByteArray &key, const QByteArray &iv) const {
    // Strict decoding: a damaged stored value must not decode to some other ciphertext.
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    // decode() rejects empty input and partial blocks.
    const QByteArray plain = decode(*decoded, key, iv);
    if (plain.isEmpty())
        return {};
    return QString::fromLatin1(removePadding(plain, m_padding));
}
