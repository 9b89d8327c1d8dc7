#include "device/eventrecordstream.h"

QList<EventRecordStream::Item> EventRecordStream::feed(const QByteArray &bytes) {
    QList<Item> items;
    QByteArray data = m_buffer + bytes;
    m_buffer.clear();
    qsizetype pos = 0;

    while (pos < data.size()) {
        if (m_discarding) {
            const qsizetype close = data.indexOf('}', pos);
            if (close < 0)
                return items; // the whole rest belongs to the oversized record
            m_discarding = false;
            pos = close + 1;
            continue;
        }

        const qsizetype open = data.indexOf('{', pos);
        const qsizetype strayEnd = open < 0 ? data.size() : open;
        if (strayEnd > pos) {
            const QByteArray stray = data.mid(pos, strayEnd - pos);
            if (!stray.trimmed().isEmpty())
                items.append({Item::Stray, stray, stray.size()});
        }
        if (open < 0)
            return items;

        // Look for the end only as far as a record may reach, so the outcome does
        // not depend on how the stream was cut into reads.
        const qsizetype limit = qMin(data.size(), open + m_maxPending + 1);
        const qsizetype close = data.indexOf('}', open);
        if (close >= 0 && close < limit) {
            items.append({Item::Record, data.mid(open, close + 1 - open), 0});
            pos = close + 1;
            continue;
        }
        if (data.size() - open <= m_maxPending) {
            m_buffer = data.mid(open);
            return items;
        }
        if (close >= 0) {
            items.append({Item::Overflow, {}, close + 1 - open});
            pos = close + 1;
            continue;
        }
        items.append({Item::Overflow, {}, data.size() - open});
        m_discarding = true;
        return items;
    }
    return items;
}
