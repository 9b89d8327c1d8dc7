// The camera receiver of one pin against torvi-sim's real RTSP server on loopback: pictures,
// reconnection after every kind of failure, the main-window watch, the pairing read at every
// attempt, prompt shutdown through FFmpeg's interrupt callback, and what the pin sees after a
// pause: pictures from the live edge.
#include "framestamp.h"
#include "support/childprocess.h"
#include "support/colourbars.h"
#include "support/mainwindowstandin.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include "config/vclog.h"
#include "receiver/packetqueue.h"
#include "receiver/streamreceiver.h"
#include "receiver/videodecoder.h"
#include "vcam/messages.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <chrono>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

using namespace Kestra;
using namespace std::chrono_literals;

namespace {

const QString simulator = QStringLiteral(TORVI_SIM);

struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameFree>;

// Keeps the event loop turning (child output arrives through it) until done() or the deadline.
bool waitUntil(const std::function<bool()> &done, int ms) {
    const QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(10);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class StreamReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(root.configRoot() + "/ini"));
        ASSERT_TRUE(QDir().mkpath(root.configRoot() + "/log"));
        logHold.emplace(2);
        window = std::make_unique<MainWindowStandIn>();
        ASSERT_TRUE(window->isOpen());
    }
    void TearDown() override {
        if (camera.isRunning())
            camera.terminate();
    }

    bool startCamera() {
        if (!camera.start(simulator, {"--address", "127.0.0.1", "--http-port", "0", "--rtsp-port",
                                      "0", "--no-mdns"}) ||
            !camera.waitForOutput(QStringLiteral("rtsp ready port="), 10000))
            return false;
        rtspPort = QRegularExpression(QStringLiteral("rtsp ready port=(\\d+)"))
                       .match(camera.standardOutput())
                       .captured(1)
                       .toUShort();
        return rtspPort != 0;
    }
    bool command(const QString &line) {
        const QString answer = QStringLiteral("ok ") + line;
        const qsizetype before = camera.standardOutput().count(answer);
        return camera.write(line.toUtf8()) &&
               waitUntil([&] { return camera.standardOutput().count(answer) > before; }, 5000);
    }
    QString cameraAddress() const { return QStringLiteral("127.0.0.1:%1").arg(rtspPort); }

    // Rewrites the pairing file as KestraLive does; a null value leaves the key out.
    void writePairing(const QString &key, const QString &value) {
        QFile file(root.configRoot() + "/ini/VConfig.ini");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray text = "[VCameralist]\n";
        if (!value.isNull())
            text += key.toUtf8() + "=" + value.toUtf8() + "\n";
        file.write(text);
    }
    QString log(int slot = 2) const {
        QFile file(root.configRoot() + QStringLiteral("/log/vclog%1.log").arg(slot));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Asks for pictures as the pin's FillBuffer does, until one comes or the deadline.
    Frame nextPicture(StreamReceiver &receiver, int ms) {
        Frame frame(av_frame_alloc());
        const bool got = waitUntil(
            [&] {
                if (receiver.DecodeNextFrame(frame.get(), 30) == 0)
                    return true;
                av_frame_unref(frame.get());
                return false;
            },
            ms);
        return got ? std::move(frame) : Frame();
    }

    TempConfigRoot root;
    std::optional<SlotLogHold> logHold; // closed before the folder goes
    std::unique_ptr<MainWindowStandIn> window;
    ChildProcess camera;
    quint16 rtspPort = 0;
};

// Pushes a packet with that time stamp; frees it unless it was queued.
PacketQueue::Pushed push(PacketQueue &queue, int64_t pts, bool key = false) {
    AVPacket *packet = av_packet_alloc();
    packet->pts = pts;
    packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    const PacketQueue::Pushed pushed = queue.Push(packet, nullptr);
    if (pushed != PacketQueue::Pushed::Queued)
        av_packet_free(&packet);
    return pushed;
}

std::vector<int64_t> popAll(PacketQueue &queue) {
    std::vector<int64_t> pts;
    for (QueuedPacket entry = queue.Pop(); entry.packet; entry = queue.Pop()) {
        pts.push_back(entry.packet->pts);
        av_packet_free(&entry.packet);
    }
    return pts;
}

TEST(PacketQueue, KeepsTheFirstThirtyPacketsInOrderAndRefusesMore) {
    PacketQueue queue;
    queue.Open();
    for (int i = 0; i < 31; ++i)
        EXPECT_EQ(push(queue, i, i == 0),
                  i < 30 ? PacketQueue::Pushed::Queued : PacketQueue::Pushed::Full)
            << i;
    EXPECT_EQ(queue.Size(), 30u);
    std::vector<int64_t> expected(30);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(popAll(queue), expected);
}

// Closed, nothing is kept; opened or told to, the queue starts again at a key frame, and what
// was queued before an open is gone.
TEST(PacketQueue, TakesPacketsOnlyWhileOpenAndFromAKeyFrameOn) {
    PacketQueue queue;
    EXPECT_EQ(push(queue, 1, true), PacketQueue::Pushed::Discarded);
    queue.Open();
    EXPECT_EQ(push(queue, 2), PacketQueue::Pushed::Discarded);
    EXPECT_EQ(push(queue, 3, true), PacketQueue::Pushed::Queued);
    EXPECT_EQ(push(queue, 4), PacketQueue::Pushed::Queued);
    queue.AwaitKeyFrame();
    EXPECT_EQ(push(queue, 5), PacketQueue::Pushed::Discarded);
    EXPECT_EQ(push(queue, 6, true), PacketQueue::Pushed::Queued);
    EXPECT_EQ(popAll(queue), (std::vector<int64_t>{3, 4, 6}));

    EXPECT_EQ(push(queue, 7), PacketQueue::Pushed::Queued);
    queue.Close();
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_EQ(push(queue, 8, true), PacketQueue::Pushed::Discarded);
    queue.Open();
    EXPECT_EQ(push(queue, 9), PacketQueue::Pushed::Discarded);
    EXPECT_EQ(push(queue, 10, true), PacketQueue::Pushed::Queued);
    queue.Open();
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(VideoDecoder, WithoutAHardwareDeviceOpensInSoftwareAndNamesTheDevicesTried) {
    AVFormatContext *input = avformat_alloc_context();
    AVStream *stream = avformat_new_stream(input, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_H264;
    stream->time_base = AVRational{1, 90000};
    const VideoDecoder::Opened opened =
        VideoDecoder::Open(2, *stream, *avcodec_find_decoder(AV_CODEC_ID_H264), true);
    ASSERT_TRUE(opened.decoder);
    // Without a device (our CI machines) both are named for the log line; with one, none.
    if (opened.decoder->UsesHardware())
        EXPECT_EQ(opened.softwareBecause, "");
    else
        EXPECT_EQ(opened.softwareBecause, "vaapi, cuda");
    avformat_free_context(input);
}

TEST_F(StreamReceiverTest, DeliversTheCamerasPicturesAndReconnectsAfterTheServerRestarts) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    Frame picture = nextPicture(receiver, 10000);
    ASSERT_TRUE(picture) << log().toStdString();
    EXPECT_TRUE(receiver.IsStreaming());
    EXPECT_EQ(picture->width, 1920);
    EXPECT_EQ(picture->height, 1080);
    EXPECT_TRUE(ShowsColourBars(picture.get()));
    EXPECT_EQ(picture->time_base.den, 90000);

    ASSERT_TRUE(command("rtsp stop"));
    EXPECT_TRUE(waitUntil([&] { return !receiver.IsStreaming(); }, 3000));
    ASSERT_TRUE(command("rtsp start"));
    EXPECT_TRUE(waitUntil([&] { return receiver.ConnectionNumber() == 2; }, 10000))
        << log().toStdString();
    EXPECT_TRUE(nextPicture(receiver, 10000)) << log().toStdString();
}

TEST_F(StreamReceiverTest, WaitsForTheMainWindowAndLetsGoOfTheCameraWhenItCloses) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    window->close();
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    waitUntil([] { return false; }, 3500);
    EXPECT_EQ(camera.standardOutput().count("rtsp client connected"), 0);
    EXPECT_FALSE(receiver.IsStreaming());

    ASSERT_TRUE(window->reopen());
    ASSERT_TRUE(nextPicture(receiver, 8000)) << log().toStdString();

    // The watch looks every 10 s, at the next packet.
    window->close();
    QElapsedTimer closed;
    closed.start();
    EXPECT_TRUE(waitUntil([&] { return !receiver.IsStreaming(); }, 13000));
    EXPECT_LE(closed.elapsed(), 12000);
    EXPECT_TRUE(
        waitUntil([&] { return camera.standardOutput().contains("rtsp client gone"); }, 3000));
    ASSERT_TRUE(window->reopen());
    EXPECT_TRUE(nextPicture(receiver, 8000)) << log().toStdString();
}

// The pin, which goes on showing its placeholder, is the one that reports the slot inactive
// when its streaming stops; the ended receiver says nothing.
TEST_F(StreamReceiverTest, AMissingKeyEndsTheReceiverWithoutAReport) {
    writePairing("VCamera2", QString());
    StreamReceiver receiver(3);
    receiver.Start();
    receiver.Play();
    EXPECT_TRUE(waitUntil([&] { return receiver.HasEnded(); }, 4000));
    EXPECT_FALSE(receiver.IsStreaming());
    // A second start of the pin's streaming replaces the ended receiver, which ends again.
    receiver.Start();
    EXPECT_TRUE(waitUntil([&] { return !receiver.HasEnded(); }, 1000));
    EXPECT_TRUE(waitUntil([&] { return receiver.HasEnded(); }, 4000));
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(window->messages().empty());
}

// An empty key is a slot without a camera: nothing is opened (not even this PC's own RTSP
// port, which "rtsp:///livestream/11" would reach), and an address written later is picked up.
TEST_F(StreamReceiverTest, AnEmptyKeyConnectsNowhereAndPicksUpAnAddressWrittenLater) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", QStringLiteral(""));
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    EXPECT_TRUE(waitUntil([&] { return log().contains("no camera paired"); }, 8000))
        << log().toStdString();
    QThread::msleep(2500);
    EXPECT_FALSE(log().contains("open input file failed.")) << log().toStdString();
    EXPECT_EQ(log().count("no camera paired"), 1);
    EXPECT_FALSE(receiver.HasEnded());
    writePairing("VCamera2", cameraAddress());
    EXPECT_TRUE(nextPicture(receiver, 8000)) << log().toStdString();
}

TEST_F(StreamReceiverTest, AStalledStreamTimesOutAndReconnects) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    ASSERT_TRUE(nextPicture(receiver, 10000)) << log().toStdString();
    ASSERT_TRUE(command("rtsp stall on"));
    // Whatever was queued still decodes; once the data stops, the read gives up after the
    // open options' 1 s time-out.
    QElapsedTimer sinceLastPicture;
    sinceLastPicture.start();
    EXPECT_TRUE(waitUntil(
        [&] {
            Frame drain(av_frame_alloc());
            if (receiver.DecodeNextFrame(drain.get(), 30) == 0)
                sinceLastPicture.restart();
            return !receiver.IsStreaming();
        },
        6000));
    // The 1 s time-out runs from the last byte, and control packets may follow the last picture.
    EXPECT_LE(sinceLastPicture.elapsed(), 3000);
    ASSERT_TRUE(command("rtsp stall off"));
    EXPECT_TRUE(nextPicture(receiver, 10000)) << log().toStdString();
}

TEST_F(StreamReceiverTest, DestroyingTheReceiverInterruptsABlockedReadPromptly) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    auto receiver = std::make_unique<StreamReceiver>(2);
    receiver->Start();
    receiver->Play();
    ASSERT_TRUE(nextPicture(*receiver, 10000)) << log().toStdString();
    ASSERT_TRUE(command("rtsp stall on"));
    waitUntil([] { return false; }, 300);
    QElapsedTimer timer;
    timer.start();
    receiver.reset();
    EXPECT_LT(timer.elapsed(), 500);
}

TEST_F(StreamReceiverTest, DestroyingTheReceiverInterruptsAConnectionAttemptPromptly) {
    // Accepts the connection and never answers the RTSP request.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    writePairing("VCamera2", QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    auto receiver = std::make_unique<StreamReceiver>(2);
    receiver->Start();
    receiver->Play();
    ASSERT_TRUE(silent.waitForNewConnection(5000));
    waitUntil([] { return false; }, 200);
    QElapsedTimer timer;
    timer.start();
    receiver.reset();
    EXPECT_LT(timer.elapsed(), 500);
}

// Ages of the pictures the pin would show, as FillBuffer asks for them, over `ms`; only those
// of the last `lastMs` when given.
std::vector<double> pictureAgesMs(StreamReceiver &receiver, int ms, int lastMs = 0) {
    std::vector<double> ages;
    Frame frame(av_frame_alloc());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (receiver.DecodeNextFrame(frame.get(), 30) == 0 &&
            (lastMs == 0 || timer.elapsed() > ms - lastMs)) {
            const auto code = framestamp::readCode(
                {frame->data[0], frame->linesize[0], 1, frame->width, frame->height});
            if (code)
                ages.push_back(
                    static_cast<double>(framestamp::monotonicMicroseconds() - code->monotonicUs) /
                    1000.0);
        }
        av_frame_unref(frame.get());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(1ms);
    }
    return ages;
}

double medianOf(std::vector<double> values) {
    if (values.empty())
        return 1e9;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// While the pin does not deliver (graph paused or stopped) the receiver keeps its connection
// and queues nothing, so nothing is dropped and nothing stale waits; after Play the pictures
// start at a key frame at the live edge. A backlog (the pin fell behind) drains back to it.
TEST_F(StreamReceiverTest, AfterAHoldPicturesResumeAtAKeyFrameAndABacklogDrainsToTheLiveEdge) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    ASSERT_TRUE(nextPicture(receiver, 10000)) << log().toStdString();
    const double liveMs = medianOf(pictureAgesMs(receiver, 1000));

    receiver.Hold();
    const uint64_t heldUs = framestamp::monotonicMicroseconds();
    waitUntil([] { return false; }, 2500);
    EXPECT_FALSE(log().contains("drop current video packet.")) << log().toStdString();
    EXPECT_TRUE(receiver.IsStreaming());
    EXPECT_EQ(camera.standardOutput().count("rtsp client connected"), 1);
    Frame none(av_frame_alloc());
    EXPECT_EQ(receiver.DecodeNextFrame(none.get(), 30), kQueueEmpty);

    // The camera sends a key frame every 30 frames (seconds when a sanitizer slows it down).
    receiver.Play();
    Frame first = nextPicture(receiver, 20000);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->key_frame);
    const auto code =
        framestamp::readCode({first->data[0], first->linesize[0], 1, first->width, first->height});
    ASSERT_TRUE(code);
    EXPECT_GT(code->monotonicUs, heldUs) << "a picture from before the hold";

    // Half a second without decoding: a backlog of about 15 packets (fewer when slowed down).
    waitUntil([] { return false; }, 500);
    const double drainedMs = medianOf(pictureAgesMs(receiver, 3000, 1000));
    std::printf("[ figures  ] picture age: live %.0f ms, a second after the backlog %.0f ms\n",
                liveMs, drainedMs);
    // A backlog kept at one packet per frame stays about five frames (165 ms) late.
    EXPECT_LT(drainedMs, liveMs + 80);
}

TEST_F(StreamReceiverTest, AFullQueueDropsNewPacketsAndSaysSo) {
    ASSERT_TRUE(startCamera()) << camera.describe().toStdString();
    writePairing("VCamera2", cameraAddress());
    StreamReceiver receiver(2);
    receiver.Start();
    receiver.Play();
    // Nobody decodes: 30 packets fill the queue in about a second of 30 frames/s (longer when
    // a sanitizer slows the camera's encoder down).
    EXPECT_TRUE(waitUntil([&] { return log().contains("drop current video packet.\n\n"); }, 20000))
        << log().toStdString();
}

} // namespace
