// The cipher is checked against the FIPS-197 examples and, for every key size, mode and padding,
// against OpenSSL; then the token text format that device.ini keeps.
#include "aes/aes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <QMetaEnum>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

const QByteArray tokenKey = "5f3a9c07e1b2d486";
const QByteArray tokenIv = "a7d20e9b4c1f6835";

constexpr AES::KeySize allKeySizes[] = {AES::AES_128, AES::AES_192, AES::AES_256};
constexpr AES::Mode allModes[] = {AES::ECB, AES::CBC, AES::CFB, AES::OFB};
constexpr AES::Padding allPaddings[] = {AES::ZERO, AES::PKCS7, AES::ISO};

const EVP_CIPHER *opensslCipher(AES::KeySize keySize, AES::Mode mode) {
    using Factory = const EVP_CIPHER *(*)();
    static const Factory table[3][4] = {
        {EVP_aes_128_ecb, EVP_aes_128_cbc, EVP_aes_128_cfb128, EVP_aes_128_ofb},
        {EVP_aes_192_ecb, EVP_aes_192_cbc, EVP_aes_192_cfb128, EVP_aes_192_ofb},
        {EVP_aes_256_ecb, EVP_aes_256_cbc, EVP_aes_256_cfb128, EVP_aes_256_ofb},
    };
    return table[keySize][mode]();
}

// With opensslPkcs7 false the input must already be padded to whole blocks.
QByteArray opensslEncrypt(const EVP_CIPHER *cipher, const QByteArray &in, const QByteArray &key,
                          const QByteArray &iv, bool opensslPkcs7 = false) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    const auto *keyBytes = reinterpret_cast<const unsigned char *>(key.constData());
    const auto *ivBytes =
        iv.isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(iv.constData());
    QByteArray out(in.size() + 32, Qt::Uninitialized);
    auto *outBytes = reinterpret_cast<unsigned char *>(out.data());
    int updated = 0;
    int finished = 0;
    const bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), cipher, nullptr, keyBytes, ivBytes) == 1 &&
                    EVP_CIPHER_CTX_set_padding(ctx.get(), opensslPkcs7 ? 1 : 0) == 1 &&
                    EVP_EncryptUpdate(ctx.get(), outBytes, &updated,
                                      reinterpret_cast<const unsigned char *>(in.constData()),
                                      static_cast<int>(in.size())) == 1 &&
                    EVP_EncryptFinal_ex(ctx.get(), outBytes + updated, &finished) == 1;
    if (!ok) {
        ADD_FAILURE() << "OpenSSL refused the input";
        return {};
    }
    out.resize(updated + finished);
    return out;
}

// Written out independently of the class so that OpenSSL sees the bytes the padding should give.
QByteArray padded(const QByteArray &plain, AES::Padding padding) {
    const int tail = static_cast<int>(plain.size() % 16);
    switch (padding) {
    case AES::ZERO:
        return tail == 0 ? plain : plain + QByteArray(16 - tail, '\0');
    case AES::PKCS7:
        return plain + QByteArray(16 - tail, static_cast<char>(16 - tail));
    case AES::ISO:
        return plain + QByteArray(1, '\x80') + QByteArray(15 - tail, '\0');
    }
    return {};
}

QByteArray randomBytes(std::mt19937 &rng, int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    for (char &b : bytes)
        b = static_cast<char>(rng() & 0xff);
    return bytes;
}

template <typename Enum> std::string enumName(Enum value) {
    return QMetaEnum::fromType<Enum>().valueToKey(value);
}

} // namespace

// ---- Known answers -------------------------------------------------------------------------

TEST(AesKnownAnswer, EncryptsAndDecryptsTheFips197AppendixCExamples) {
    const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const struct {
        AES::KeySize keySize;
        const char *key;
        const char *cipher;
    } examples[] = {
        {AES::AES_128, "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {AES::AES_192, "000102030405060708090a0b0c0d0e0f1011121314151617",
         "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {AES::AES_256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto &example : examples) {
        SCOPED_TRACE(enumName(example.keySize));
        AES aes(example.keySize, AES::ECB, AES::ZERO);
        const QByteArray key = QByteArray::fromHex(example.key);
        EXPECT_EQ(aes.encode(plain, key).toHex(), QByteArray(example.cipher));
        EXPECT_EQ(aes.decode(QByteArray::fromHex(example.cipher), key).toHex(), plain.toHex());
    }
}

// ---- Every configuration against OpenSSL ---------------------------------------------------

using Configuration = std::tuple<AES::KeySize, AES::Mode, AES::Padding>;

class AesAgainstOpenSsl : public ::testing::TestWithParam<Configuration> {};

std::string configurationName(const ::testing::TestParamInfo<Configuration> &configuration) {
    const auto [keySize, mode, padding] = configuration.param;
    return enumName(keySize) + "_" + enumName(mode) + "_" + enumName(padding);
}

TEST_P(AesAgainstOpenSsl, EncodesLikeOpenSslAndRoundTripsThroughDecodeAndRemovePadding) {
    const auto [keySize, mode, padding] = GetParam();
    AES aes(keySize, mode, padding);
    const EVP_CIPHER *reference = opensslCipher(keySize, mode);
    std::mt19937 rng(20240611u + 100 * keySize + 10 * mode + padding);
    for (int length : {0, 1, 15, 16, 17, 100}) {
        SCOPED_TRACE("length " + std::to_string(length));
        QByteArray plain = randomBytes(rng, length);
        // Zero padding cannot tell trailing zero bytes of the data from padding.
        if (!plain.isEmpty())
            plain.back() = static_cast<char>(plain.back() | 1);
        const QByteArray key = randomBytes(rng, EVP_CIPHER_key_length(reference));
        const QByteArray iv = randomBytes(rng, 16);
        const QByteArray expectedPlain = padded(plain, padding);

        const QByteArray cipher = aes.encode(plain, key, iv);
        EXPECT_EQ(cipher.toHex(), opensslEncrypt(reference, expectedPlain, key, iv).toHex());

        const QByteArray decoded = aes.decode(cipher, key, iv);
        EXPECT_EQ(decoded.toHex(), expectedPlain.toHex());
        EXPECT_EQ(AES::removePadding(decoded, padding).toHex(), plain.toHex());
    }
}

INSTANTIATE_TEST_SUITE_P(AllConfigurations, AesAgainstOpenSsl,
                         ::testing::Combine(::testing::ValuesIn(allKeySizes),
                                            ::testing::ValuesIn(allModes),
                                            ::testing::ValuesIn(allPaddings)),
                         configurationName);

// ---- Arguments -----------------------------------------------------------------------------

TEST(AesArguments, KeysOfTheWrongLengthAndIvsThatAreNotOneBlockGiveEmptyResults) {
    const QByteArray block(16, 'x');
    const QByteArray iv(16, 'i');
    for (AES::KeySize keySize : allKeySizes) {
        for (AES::Mode mode : allModes) {
            SCOPED_TRACE(enumName(keySize) + " " + enumName(mode));
            AES aes(keySize, mode, AES::PKCS7);
            const int keyLength = EVP_CIPHER_key_length(opensslCipher(keySize, mode));
            for (int wrongLength : {0, keyLength - 1, keyLength + 1, 64}) {
                const QByteArray wrongKey(wrongLength, 'k');
                EXPECT_TRUE(aes.encode(block, wrongKey, iv).isEmpty()) << wrongLength;
                EXPECT_TRUE(aes.decode(block, wrongKey, iv).isEmpty()) << wrongLength;
            }

            const QByteArray key(keyLength, 'k');
            const QByteArray cipher = aes.encode(block, key, iv);
            ASSERT_EQ(cipher.size(), 32);
            for (int ivLength : {0, 15, 17}) {
                const QByteArray badIv(ivLength, 'i');
                if (mode == AES::ECB) {
                    EXPECT_EQ(aes.encode(block, key, badIv), cipher) << ivLength;
                    EXPECT_EQ(aes.decode(cipher, key, badIv), aes.decode(cipher, key, iv));
                } else {
                    EXPECT_TRUE(aes.encode(block, key, badIv).isEmpty()) << ivLength;
                    EXPECT_TRUE(aes.decode(cipher, key, badIv).isEmpty()) << ivLength;
                }
            }
        }
    }
}

TEST(AesArguments, DecodeRejectsInputThatIsNotWholeBlocks) {
    for (AES::Mode mode : allModes) {
        SCOPED_TRACE(enumName(mode));
        AES aes(AES::AES_256, mode, AES::PKCS7);
        const QByteArray key(32, 'k');
        for (int length : {0, 1, 15, 17, 31, 33})
            EXPECT_TRUE(aes.decode(QByteArray(length, 'c'), key, tokenIv).isEmpty()) << length;
    }
}

// ---- Padding -------------------------------------------------------------------------------

TEST(AesPadding, Pkcs7PaddingThatEncodeCannotProduceIsRejected) {
    const QByteArray lastBlockOnly(16, '\x10');
    EXPECT_EQ(AES::removePadding("abc\x01", AES::PKCS7), QByteArray("abc"));
    EXPECT_EQ(AES::removePadding(QByteArray("ab") + QByteArray(3, '\x03'), AES::PKCS7),
              QByteArray("ab"));
    EXPECT_EQ(AES::removePadding(lastBlockOnly, AES::PKCS7), QByteArray());

    const QByteArray invalid[] = {
        QByteArray(),
        QByteArray("abc") + '\0',       // zero length
        QByteArray(17, '\x11'),         // longer than a block
        QByteArray("\x03\x03", 2),      // longer than the data
        QByteArray("ab\x03\x02\x03", 5) // bytes disagree with the length
    };
    for (const QByteArray &bytes : invalid)
        EXPECT_TRUE(AES::removePadding(bytes, AES::PKCS7).isEmpty()) << bytes.toHex().toStdString();
}

TEST(AesPadding, ZeroAndIsoPaddingStripOnlyWhatTheyAdded) {
    EXPECT_EQ(AES::removePadding(QByteArray("ab\0\0\0", 5), AES::ZERO), QByteArray("ab"));
    EXPECT_EQ(AES::removePadding(QByteArray("ab\x80", 3), AES::ZERO), QByteArray("ab\x80"));
    EXPECT_EQ(AES::removePadding(QByteArray(16, '\0'), AES::ZERO), QByteArray());

    EXPECT_EQ(AES::removePadding(QByteArray("ab\x80\0\0", 5), AES::ISO), QByteArray("ab"));
    // Only the last marker is padding; one in the data stays.
    EXPECT_EQ(AES::removePadding(QByteArray("ab\x80\x80\0", 5), AES::ISO), QByteArray("ab\x80"));
    EXPECT_EQ(AES::removePadding(QByteArray("\x80", 1), AES::ISO), QByteArray());
    // No marker: not something encode() wrote.
    EXPECT_TRUE(AES::removePadding(QByteArray("ab\0\0", 4), AES::ISO).isEmpty());
    EXPECT_TRUE(AES::removePadding(QByteArray(16, '\0'), AES::ISO).isEmpty());
}

// ---- Token text ----------------------------------------------------------------------------

TEST(AesTokenText, SixteenCharacterTokenIsStoredAsFortyFourBase64CharactersAndReadsBack) {
    const QString token = "abcdefghijklmnop";
    const QString stored = AES::instance().encryptText(token, tokenKey, tokenIv);

    // One data block and one block of padding; OpenSSL's own PKCS#7 must agree.
    EXPECT_EQ(stored.size(), 44);
    const QByteArray expected =
        opensslEncrypt(EVP_aes_128_ecb(), token.toUtf8(), tokenKey, {}, true).toBase64();
    EXPECT_EQ(stored, QString::fromLatin1(expected));
    EXPECT_EQ(AES::instance().decryptText(stored, tokenKey, tokenIv), token);
}

TEST(AesTokenText, NonAsciiTextComesBackAsItsUtf8BytesReadAsLatin1) {
    const QString text = QString::fromUtf8("令牌-token-中文");
    const QString back = AES::instance().decryptText(
        AES::instance().encryptText(text, tokenKey, tokenIv), tokenKey, tokenIv);
    EXPECT_NE(back, text);
    EXPECT_EQ(back.toLatin1(), text.toUtf8());
    EXPECT_EQ(QString::fromUtf8(back.toLatin1()), text);
}

TEST(AesTokenText, MalformedStoredValuesReadAsEmpty) {
    AES &aes = AES::instance();
    std::mt19937 rng(7);

    // A ciphertext whose plain bytes end in an impossible PKCS#7 byte.
    QByteArray badPadding = randomBytes(rng, 32);
    badPadding[31] = '\0';
    const QByteArray badPaddingCipher = opensslEncrypt(EVP_aes_128_ecb(), badPadding, tokenKey, {});
    // And one whose length byte is plausible but the bytes before it disagree.
    QByteArray mixedPadding = randomBytes(rng, 32);
    mixedPadding[29] = '\x01';
    mixedPadding[30] = '\x03';
    mixedPadding[31] = '\x03';
    const QByteArray mixedPaddingCipher =
        opensslEncrypt(EVP_aes_128_ecb(), mixedPadding, tokenKey, {});
    const QString valid = aes.encryptText("abcdefghijklmnop", tokenKey, tokenIv);

    const QString malformed[] = {
        QString(),
        "not base64!",
        QString::fromLatin1(randomBytes(rng, 15).toBase64()),
        QString::fromLatin1(randomBytes(rng, 17).toBase64()),
        QString::fromLatin1(badPaddingCipher.toBase64()),
        QString::fromLatin1(mixedPaddingCipher.toBase64()),
        valid.left(22) + " " + valid.mid(22), // damaged in the file
        valid.left(20) + QChar(0x4e2d) + valid.mid(21),
        valid.left(40), // truncated to a partial block
    };
    for (const QString &value : malformed)
        EXPECT_EQ(aes.decryptText(value, tokenKey, tokenIv), QString()) << value.toStdString();
}

TEST(AesTokenText, WrongKeyOrIvLengthGivesEmptyText) {
    AES &aes = AES::instance();
    const QString stored = aes.encryptText("token", tokenKey, tokenIv);
    EXPECT_EQ(aes.encryptText("token", tokenKey.left(15), tokenIv), QString());
    EXPECT_EQ(aes.decryptText(stored, tokenKey + "x", tokenIv), QString());

    AES cbc(AES::AES_128, AES::CBC, AES::PKCS7);
    const QString cbcStored = cbc.encryptText("token", tokenKey, tokenIv);
    EXPECT_EQ(cbc.decryptText(cbcStored, tokenKey, tokenIv), QString("token"));
    EXPECT_EQ(cbc.encryptText("token", tokenKey, tokenIv.left(15)), QString());
    EXPECT_EQ(cbc.decryptText(cbcStored, tokenKey, QByteArray()), QString());
}

TEST(AesTokenText, SharedInstanceGivesTheSameResultsFromManyThreads) {
    const QString stored = AES::instance().encryptText("refresh-token-0123", tokenKey, tokenIv);
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                if (AES::instance().encryptText("refresh-token-0123", tokenKey, tokenIv) !=
                        stored ||
                    AES::instance().decryptText(stored, tokenKey, tokenIv) != "refresh-token-0123")
                    ++failures[t];
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
