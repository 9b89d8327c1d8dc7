// Feeds arbitrary bytes to the cipher the way a damaged device.ini would: as a stored token text,
// and as raw ciphertext in every mode and padding. Besides the sanitizers, checks that decoding
// never changes the length and that encode/decode/removePadding round-trips the input.
#include "aes/aes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray key = "5f3a9c07e1b2d486";
const QByteArray iv = "a7d20e9b4c1f6835";

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    // The stored value comes back from the settings file as arbitrary text.
    (void)AES::instance().decryptText(QString::fromUtf8(bytes), key, iv);
    (void)AES::instance().decryptText(QString::fromLatin1(bytes), key, iv);

    static AES ciphers[] = {
        {AES::AES_128, AES::ECB, AES::PKCS7},
        {AES::AES_128, AES::CBC, AES::ZERO},
        {AES::AES_128, AES::CFB, AES::ISO},
        {AES::AES_128, AES::OFB, AES::PKCS7},
    };
    for (const AES &aes : ciphers) {
        const QByteArray plain = aes.decode(bytes, key, iv);
        check(plain.isEmpty() || plain.size() == bytes.size());
        for (AES::Padding padding : {AES::ZERO, AES::PKCS7, AES::ISO})
            check(AES::removePadding(plain, padding).size() <= plain.size());

        // The trailing byte keeps zero padding from swallowing data.
        const QByteArray message = bytes + '\x01';
        const QByteArray back =
            AES::removePadding(aes.decode(aes.encode(message, key, iv), key, iv), aes.padding());
        check(back == message);
    }
    return 0;
}
