// EventRecordStream: cuts one TCP connection's byte stream into event records.
// A record runs from '{' to the next '}'; it may arrive in pieces or several to
// a read. Whitespace between records is skipped, other text outside a record is
// handed back as stray. A record still open after maxPendingBytes is dropped up
// to its closing '}', so one misbehaving camera costs bounded memory.
//
// Pure and socket-free; one instance per connection, used on that connection's
// thread only.
#pragma once

#include <QByteArray>
#include <QList>

class EventRecordStream {
public:
    struct Item {
        enum Kind { Record, Stray, Overflow };
        Kind kind;
        QByteArray text;            // Record: '{' .. '}' inclusive; Stray: the text dropped
        qsizetype droppedBytes = 0; // Stray and Overflow: bytes thrown away
    };

    explicit EventRecordStream(qsizetype maxPendingBytes) : m_maxPending(maxPendingBytes) {}

    // Takes the next bytes of the stream; returns what they completed, in order.
    QList<Item> feed(const QByteArray &bytes);

    // Bytes of an unfinished record held for the next feed; never above maxPendingBytes.
    qsizetype pendingBytes() const { return m_buffer.size(); }
    // Still skipping the tail of an oversized record.
    bool isDiscarding() const { return m_discarding; }

private:
    qsizetype m_maxPending;
    QByteArray m_buffer; // empty, or an unfinished record starting with '{'
    bool m_discarding = false;
};
