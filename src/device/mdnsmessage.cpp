#include "device/mdnsmessage.h"

#include <ldns/ldns.h>

#include <memory>

namespace MdnsCodec {

namespace {

// RFC 6762 recommends 75 minutes for records that do not name a host.
constexpr uint32_t recordTtl = 4500;

struct PktFree {
    void operator()(ldns_pkt *pkt) const { ldns_pkt_free(pkt); }
};
struct RrFree {
    void operator()(ldns_rr *rr) const { ldns_rr_free(rr); }
};
struct RdfFree {
    void operator()(ldns_rdf *rdf) const { ldns_rdf_deep_free(rdf); }
};
struct BufferFree {
    void operator()(ldns_buffer *buffer) const { ldns_buffer_free(buffer); }
};
using PktPtr = std::unique_ptr<ldns_pkt, PktFree>;
using RrPtr = std::unique_ptr<ldns_rr, RrFree>;
using RdfPtr = std::unique_ptr<ldns_rdf, RdfFree>;
using BufferPtr = std::unique_ptr<ldns_buffer, BufferFree>;

RdfPtr dnameFromText(const QString &name) {
    return RdfPtr(ldns_dname_new_frm_str(name.toUtf8().constData()));
}

// The labels as they came, not ldns's presentation form, which escapes
// blanks and non-ASCII bytes ("My\032Cam") and would give a camera another
// identifier here than elsewhere. ldns keeps a decoded name uncompressed as
// length-prefixed labels ending in the root's 0; one pass over them keeps a
// datagram full of long names cheap.
QString dnameToText(const ldns_rdf *dname) {
    if (!dname || ldns_rdf_get_type(dname) != LDNS_RDF_TYPE_DNAME)
        return {};
    const uint8_t *data = ldns_rdf_data(dname);
    const size_t size = ldns_rdf_size(dname);
    QByteArray text;
    for (size_t pos = 0; pos < size && data[pos] != 0; pos += 1 + data[pos]) {
        if (pos + 1 + data[pos] > size)
            return {};
        text.append(reinterpret_cast<const char *>(data + pos + 1), data[pos]);
        text.append('.');
    }
    return text.isEmpty() ? QStringLiteral(".") : QString::fromUtf8(text);
}

// Takes ownership of rr.
bool push(ldns_pkt *pkt, ldns_pkt_section section, RrPtr rr) {
    if (!ldns_pkt_push_rr(pkt, section, rr.get()))
        return false;
    rr.release();
    return true;
}

bool addQuestion(ldns_pkt *pkt, const Query &query) {
    RdfPtr owner = dnameFromText(query.name);
    RrPtr rr(ldns_rr_new());
    if (!owner || !rr)
        return false;
    ldns_rr_set_owner(rr.get(), owner.release());
    ldns_rr_set_type(rr.get(), static_cast<ldns_rr_type>(query.type));
    ldns_rr_set_class(rr.get(), LDNS_RR_CLASS_IN);
    ldns_rr_set_question(rr.get(), true);
    return push(pkt, LDNS_SECTION_QUESTION, std::move(rr));
}

bool addAnswer(ldns_pkt *pkt, const Record &record) {
    if (record.type != TypePtr)
        return false;
    RdfPtr owner = dnameFromText(record.name);
    RdfPtr target = dnameFromText(record.target);
    RrPtr rr(ldns_rr_new());
    if (!owner || !target || !rr)
        return false;
    ldns_rr_set_owner(rr.get(), owner.release());
    ldns_rr_set_type(rr.get(), LDNS_RR_TYPE_PTR);
    ldns_rr_set_class(rr.get(), LDNS_RR_CLASS_IN);
    ldns_rr_set_ttl(rr.get(), recordTtl);
    if (!ldns_rr_push_rdf(rr.get(), target.get()))
        return false;
    target.release();
    return push(pkt, LDNS_SECTION_ANSWER, std::move(rr));
}

Record recordOf(const ldns_rr *rr) {
    Record record;
    record.name = dnameToText(ldns_rr_owner(rr));
    record.type = static_cast<quint16>(ldns_rr_get_type(rr));
    const ldns_rdf *rdata = ldns_rr_rd_count(rr) > 0 ? ldns_rr_rdf(rr, 0) : nullptr;
    if (record.type == TypePtr)
        record.target = dnameToText(rdata);
    return record;
}

} // namespace

QByteArray toPacket(const Message &message) {
    PktPtr pkt(ldns_pkt_new());
    if (!pkt)
        return {};
    ldns_pkt_set_id(pkt.get(), 0);
    ldns_pkt_set_qr(pkt.get(), message.isResponse());
    ldns_pkt_set_aa(pkt.get(), message.isResponse());
    for (const Query &query : message.queries()) {
        if (!addQuestion(pkt.get(), query))
            return {};
    }
    for (const Record &record : message.records()) {
        if (!addAnswer(pkt.get(), record))
            return {};
    }

    // No name compression: ldns matches suffixes regardless of case, so a
    // later name would take on the letter case of an earlier one.
    BufferPtr buffer(ldns_buffer_new(512));
    if (!buffer ||
        ldns_pkt2buffer_wire_compress(buffer.get(), pkt.get(), nullptr) != LDNS_STATUS_OK)
        return {};
    return QByteArray(reinterpret_cast<const char *>(ldns_buffer_begin(buffer.get())),
                      static_cast<qsizetype>(ldns_buffer_position(buffer.get())));
}

// Record by record rather than with ldns_wire2pkt, which leaks a record when
// a packet carries two TSIG records: anyone on the link could send those.
bool fromPacket(const QByteArray &packet, Message &message) {
    const auto *wire = reinterpret_cast<const uint8_t *>(packet.constData());
    const auto size = static_cast<size_t>(packet.size());
    if (size < LDNS_HEADER_SIZE)
        return false;

    Message result;
    result.setResponse(LDNS_QR_WIRE(wire) != 0);
    size_t pos = LDNS_HEADER_SIZE;
    const struct {
        ldns_pkt_section section;
        uint16_t count;
    } sections[] = {
        {LDNS_SECTION_QUESTION, LDNS_QDCOUNT(wire)},
        {LDNS_SECTION_ANSWER, LDNS_ANCOUNT(wire)},
        {LDNS_SECTION_AUTHORITY, LDNS_NSCOUNT(wire)},
        {LDNS_SECTION_ADDITIONAL, LDNS_ARCOUNT(wire)},
    };
    for (const auto &[section, count] : sections) {
        for (uint16_t i = 0; i < count; ++i) {
            ldns_rr *decoded = nullptr;
            const ldns_status status = ldns_wire2rr(&decoded, wire, size, &pos, section);
            const RrPtr rr(status == LDNS_STATUS_OK ? decoded : nullptr);
            if (!rr)
                return false;
            if (section == LDNS_SECTION_QUESTION)
                result.addQuery({dnameToText(ldns_rr_owner(rr.get())),
                                 static_cast<quint16>(ldns_rr_get_type(rr.get()))});
            else
                result.addRecord(recordOf(rr.get()));
        }
    }
    message = result;
    return true;
}

} // namespace MdnsCodec
