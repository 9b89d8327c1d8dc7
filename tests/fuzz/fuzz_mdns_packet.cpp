// Feeds arbitrary datagrams to what mDNS discovery does with everything that
// reaches port 5353: the decoder, every decoded question and record, and the
// answer matching. Besides the sanitizers, checks that a decoded name always
// ends with its dot and that a camera is only ever named by the first label
// of an exact PTR record for the service.
#include "device/mdns.h"
#include "device/mdnsmessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)quiet;

    const QByteArray packet(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    MdnsCodec::Message message;
    if (!MdnsCodec::fromPacket(packet, message))
        return 0;

    for (const MdnsCodec::Query &query : message.queries())
        check(query.name.endsWith(u'.'));
    const MdnsCodec::Record *match = nullptr;
    for (const MdnsCodec::Record &record : message.records()) {
        check(record.name.endsWith(u'.'));
        check(record.target.isEmpty() || record.type == MdnsCodec::TypePtr);
        if (!match && record.type == MdnsCodec::TypePtr && record.name == mDNS::serviceName)
            match = &record;
    }

    const QString uID = mDNS::uidFromResponse(message);
    if (!uID.isEmpty())
        check(message.isResponse() && match && match->target.startsWith(uID + u'.'));
    return 0;
}
