// Feeds arbitrary bytes to everything that reads what a camera sends: the CGI reply readers, the
// event record parser, and the record framing of the event listener, cut into chunks whose sizes
// follow from the input. Besides the sanitizers, checks that the framing gives the same records
// however the stream is cut, never holds more than its limit, and that parsing keeps its
// validity rule. The program's log writer is in the loop: whatever arrives, every line it
// writes is one line of text, with no control byte but the CR LF that ends it.
#include "device/camerareply.h"
#include "device/deviceliscentcp.h"
#include "device/eventrecordstream.h"
#include "log/log.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

const QString peer = QStringLiteral("10.77.0.20");

void parse(const QString &text) {
    const DeviceListenTCP::FeedbackInfo_t info = DeviceListenTCP::parseRecord(peer, text);
    check(info.ip == peer);
    const bool complete = !info.eventId.isEmpty() && !info.arg1.isEmpty() && !info.arg2.isEmpty() &&
                          !info.result.isEmpty() && !info.payload.isEmpty();
    check(info.isValid == complete);
    check(info.isValid ? info.rawData == text : info.rawData.isEmpty());
}

void readReplies(const QString &body) {
    (void)CameraReply::isSuccess(body);
    (void)CameraReply::workModeValue(body);
    (void)CameraReply::isLiving(body);
    (void)CameraReply::battery(body);
    (void)CameraReply::isWirelessMode(body);
    const QString resFps = CameraReply::resFpsOf(body);
    check(resFps == QLatin1String("1080P30") || resFps == QLatin1String("1080P60") ||
          resFps == QLatin1String("4K30"));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What a framing run produced, in a form that does not depend on the chunking.
struct Summary {
    QList<QByteArray> records;
    int overflows = 0;
    qsizetype strayNonBlank = 0; // blank stray text is skipped only when alone in its piece
};

void collect(Summary &summary, const QList<EventRecordStream::Item> &items, qsizetype limit) {
    for (const EventRecordStream::Item &item : items) {
        switch (item.kind) {
        case EventRecordStream::Item::Record:
            check(item.text.size() >= 2 && item.text.size() <= limit + 1);
            check(item.text.front() == '{' && item.text.back() == '}');
            check(item.text.indexOf('}') == item.text.size() - 1);
            summary.records << item.text;
            break;
        case EventRecordStream::Item::Stray:
            check(item.droppedBytes == item.text.size() && !item.text.contains('{'));
            summary.strayNonBlank += std::count_if(item.text.cbegin(), item.text.cend(),
                                                   [](char c) { return !isBlank(c); });
            break;
        case EventRecordStream::Item::Overflow:
            check(item.droppedBytes > limit);
            ++summary.overflows;
            break;
        }
    }
}

void frame(const QByteArray &bytes, qsizetype limit) {
    Summary whole;
    EventRecordStream once(limit);
    collect(whole, once.feed(bytes), limit);
    check(once.pendingBytes() <= limit);

    Summary chunked;
    EventRecordStream pieces(limit);
    quint64 state = qHashBits(bytes.constData(), static_cast<size_t>(bytes.size()), limit) | 1;
    for (qsizetype pos = 0; pos < bytes.size();) {
        state ^= state << 13; // xorshift64: chunk sizes from 1 to 64
        state ^= state >> 7;
        state ^= state << 17;
        const qsizetype size = qMin<qsizetype>(1 + state % 64, bytes.size() - pos);
        collect(chunked, pieces.feed(bytes.mid(pos, size)), limit);
        check(pieces.pendingBytes() <= limit);
        pos += size;
    }

    check(chunked.records == whole.records);
    check(chunked.overflows == whole.overflows);
    check(chunked.strayNonBlank == whole.strayNonBlank);
    check(pieces.pendingBytes() == once.pendingBytes());
    check(pieces.isDiscarding() == once.isDiscarding());
    for (const QByteArray &record : whole.records)
        parse(QString::fromUtf8(record));
}

// The log writes into a private configuration folder, made once per fuzzing process.
struct LogSetup {
    LogSetup() {
        qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
        LOG::init();
    }
    QTemporaryDir folder;
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

// Every line of the log is text. The file is emptied after, and now and then the log starts
// afresh, so the day's budget never runs out during a long run.
void checkLogLines() {
    QFile log(LOG::currentFile());
    if (!log.open(QIODevice::ReadWrite))
        return;
    const QByteArray bytes = log.readAll();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r')
            check(i + 1 < bytes.size() && bytes[i + 1] == '\n');
        else if (byte == '\n')
            check(i > 0 && bytes[i - 1] == '\r');
        else
            check(byte >= 0x20 && byte != 0x7F);
    }
    log.resize(0);
    static unsigned inputs = 0;
    if (++inputs % 4096 == 0)
        LOG::init();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static LogSetup logSetup;

    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    readReplies(text);
    parse(text);
    frame(bytes, 32); // small enough for the fuzzer to reach the overflow paths
    frame(bytes, DeviceListenTCP::maxPendingBytes);
    checkLogLines();
    return 0;
}
