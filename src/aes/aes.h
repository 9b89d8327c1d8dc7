// AES block cipher (FIPS-197) on byte arrays, with the ECB, CBC, CFB (128-bit feedback) and
// OFB modes and three block paddings. The program uses it to keep the cloud tokens in
// device.ini out of plain sight, through the shared instance() (AES-128, ECB, PKCS#7).
//
// Reentrant and safe to share between threads: an instance holds nothing but its construction
// parameters, the tables are constant, and every call expands the key on its own stack. The
// shared instance is created on first use in whichever thread asks first; only the cipher
// operations are meant to be called on it, so its thread affinity does not matter. No
// QCoreApplication is needed.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class AES : public QObject {
    Q_OBJECT

public:
    enum KeySize { AES_128, AES_192, AES_256 };
    Q_ENUM(KeySize)
    // CFB feeds back the whole 128-bit block (the usual "cfb128").
    enum Mode { ECB, CBC, CFB, OFB };
    Q_ENUM(Mode)
    // ZERO: zero bytes up to the block boundary, nothing when already aligned.
    // PKCS7: always 1..16 bytes, each holding the pad length.
    // ISO: always a 0x80 byte followed by zero bytes up to the block boundary.
    enum Padding { ZERO, PKCS7, ISO };
    Q_ENUM(Padding)

    AES(KeySize keySize, Mode mode, Padding padding, QObject *parent = nullptr);

    // Pads, then encrypts. Empty if the key is not keyLength() bytes, or if a mode other than
    // ECB is given an IV that is not one block long; ECB ignores the IV.
    QByteArray encode(const QByteArray &plain, const QByteArray &key,
                      const QByteArray &iv = {}) const;
    // Decrypts, leaving the padding in place. Same key and IV checks as encode(); input that is
    // not a whole number of blocks gives an empty array.
    QByteArray decode(const QByteArray &cipher, const QByteArray &key,
                      const QByteArray &iv = {}) const;
    // Strips the given padding. Padding that cannot have been produced by encode() (PKCS7 with
    // a bad length or inconsistent bytes, ISO without its 0x80 marker) gives an empty array.
    static QByteArray removePadding(const QByteArray &bytes, Padding padding);

    // UTF-8 bytes of the text, encrypted, as padded standard Base64.
    QString encryptText(const QString &text, const QByteArray &key, const QByteArray &iv) const;
    // Inverse of encryptText(), except that the plain bytes come back as Latin-1 text: callers
    // store ASCII tokens, so non-ASCII text returns its UTF-8 bytes one character each. Anything
    // malformed (bad Base64, partial blocks, invalid padding) reads as "".
    QString decryptText(const QString &text, const QByteArray &key, const QByteArray &iv) const;

    // The process-wide instance: AES-128, ECB, PKCS7.
    static AES &instance();

    KeySize keySize() const { return m_keySize; }
    Mode mode() const { return m_mode; }
    Padding padding() const { return m_padding; }
    int keyLength() const { return m_keyLength; }
    int rounds() const { return m_rounds; }
    int expandedKeyLength() const { return m_expandedKeyLength; }
    static constexpr int blockLength() { return BlockLength; }

private:
    static constexpr int BlockLength = 16;
    static constexpr int MaxExpandedKeyLength = 240;

    using Block = std::uint8_t[BlockLength];
    using RoundKeys = std::uint8_t[MaxExpandedKeyLength];

    bool acceptsKeyAndIv(const QByteArray &key, const QByteArray &iv) const;
    void expandKey(const QByteArray &key, RoundKeys &roundKeys) const;
    void encryptBlock(const std::uint8_t *in, std::uint8_t *out, const RoundKeys &rk) const;
    void decryptBlock(const std::uint8_t *in, std::uint8_t *out, const RoundKeys &rk) const;

    static const std::uint8_t sbox[256];
    static const std::uint8_t inverseSbox[256];
    static const std::uint8_t roundConstants[10];

    const KeySize m_keySize;
    const Mode m_mode;
    const Padding m_padding;
    const int m_keyLength;
    const int m_rounds;
    const int m_expandedKeyLength;
};
