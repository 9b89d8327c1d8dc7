// Feeds arbitrary bytes to every decoder of what the cloud service answers: the reply envelope
// and the "data" readers of sign-in, QR code, QR state and version answers. Besides the
// sanitizers, checks the envelope's rules: success needs a decoded integer code of 0, and a reply
// that is not decoded carries no code, message or data.
#include "device/cloud/cloudreply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const CloudReply reply = CloudReply::decode(200, bytes);
    check(reply.succeeded() == (reply.decoded() && reply.code == 0));
    if (!reply.decoded())
        check(reply.code == -1 && reply.msg.isEmpty() && reply.data.isEmpty());
    check((reply.body == CloudReply::Body::Empty) == bytes.isEmpty());

    const SignInGrant grant = SignInGrant::from(reply.data);
    check(grant.complete() == (!grant.token.isEmpty() && !grant.refreshToken.isEmpty()));
    const QRcodeOffer offer = QRcodeOffer::from(reply.data);
    (void)offer.pictureBytes();
    const QRcodeState state = QRcodeState::from(reply.data);
    if (state.status != QRcodeState::Confirmed)
        check(state.grant.token.isEmpty());
    (void)VersionOffer::from(reply.data);
    return 0;
}
