// torvi-sim's RTSP stream as a player meets it: FFmpeg opens it over TCP on
// loopback and decodes pictures while the control channel stops, stalls,
// drops and resizes the stream.
#include "support/childprocess.h"
#include "support/colourbars.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

namespace {

const QString simulator = QStringLiteral(TORVI_SIM);
constexpr int deadlineMs = 10000;
constexpr std::int64_t ioTimeoutUs = 1000000;

// One FFmpeg viewer of the camera's stream. Every blocking call gives up at
// its own deadline through the interrupt callback, so a hung server fails the
// test instead of hanging it.
class RtspViewer {
public:
    RtspViewer() : m_frame(av_frame_alloc()), m_packet(av_packet_alloc()) {}
    ~RtspViewer() {
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_format);
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
    }
    RtspViewer(const RtspViewer &) = delete;
    RtspViewer &operator=(const RtspViewer &) = delete;

    // 0 or the FFmpeg error.
    int open(quint16 port) {
        m_format = avformat_alloc_context();
        m_format->interrupt_callback = {interrupted, this};
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        av_dict_set_int(&options, "timeout", ioTimeoutUs, 0);
        m_deadline.setRemainingTime(deadlineMs);
        const QByteArray url =
            QStringLiteral("rtsp://127.0.0.1:%1/livestream/11").arg(port).toUtf8();
        int result = avformat_open_input(&m_format, url.constData(), nullptr, &options);
        av_dict_free(&options);
        if (result < 0)
            return result;
        m_video = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_video < 0)
            return m_video;
        const AVCodecParameters *parameters = m_format->streams[m_video]->codecpar;
        m_decoder = avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id));
        avcodec_parameters_to_context(m_decoder, parameters);
        // Slice threads only: frame threads would hold pictures back.
        m_decoder->thread_type = FF_THREAD_SLICE;
        return avcodec_open2(m_decoder, nullptr, nullptr);
    }

    // Reads until the next decoded video picture; 0 or the FFmpeg error.
    int nextPicture() {
        m_deadline.setRemainingTime(deadlineMs);
        while (true) {
            const int received = avcodec_receive_frame(m_decoder, m_frame);
            if (received != AVERROR(EAGAIN))
                return received;
            const int read = av_read_frame(m_format, m_packet);
            if (read < 0)
                return read;
            if (m_packet->stream_index == m_video)
                avcodec_send_packet(m_decoder, m_packet);
            av_packet_unref(m_packet);
        }
    }

    // Reads up to n pictures; the first error, or 0 when all came.
    int readUntilFailure(int n) {
        int error = 0;
        for (int i = 0; i < n && error == 0; ++i)
            error = nextPicture();
        return error;
    }

    // Pictures per second from the time stamps of n pictures in a row, after
    // the first, which may come before the stream's clock is known.
    double measuredFps(int n) {
        if (nextPicture() != 0)
            return 0;
        std::int64_t first = AV_NOPTS_VALUE;
        for (int i = 0; i < n; ++i) {
            if (nextPicture() != 0)
                return 0;
            if (first == AV_NOPTS_VALUE)
                first = m_frame->best_effort_timestamp;
        }
        const double seconds = static_cast<double>(m_frame->best_effort_timestamp - first) *
                               av_q2d(videoStream()->time_base);
        return seconds > 0 ? (n - 1) / seconds : 0;
    }

    const AVFrame *picture() const { return m_frame; }
    const AVStream *videoStream() const { return m_format->streams[m_video]; }
    const AVFormatContext *format() const { return m_format; }

private:
    static int interrupted(void *self) {
        return static_cast<RtspViewer *>(self)->m_deadline.hasExpired() ? 1 : 0;
    }

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_decoder = nullptr;
    AVFrame *m_frame;
    AVPacket *m_packet;
    int m_video = -1;
    QDeadlineTimer m_deadline;
};

std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// The stamp's corner (the left half of the top twentieth) as luma bytes.
QByteArray stampArea(const AVFrame *picture) {
    QByteArray area;
    for (int y = 0; y < picture->height / 20; ++y)
        area.append(reinterpret_cast<const char *>(picture->data[0] + y * picture->linesize[0]),
                    picture->width / 2);
    return area;
}

class CameraSimRtspTest : public ::testing::Test {
protected:
    // Decoding damage at a join or resume is expected; failures speak for
    // themselves.
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_FATAL); }
    void TearDown() override { stop(); }

    // SIGTERM must end the camera normally: the RTSP thread, its clients and
    // pipelines all wound down and joined.
    void stop() {
        if (!sim.isRunning())
            return;
        sim.terminate();
        EXPECT_EQ(sim.exitCode(), 0) << sim.describe().toStdString();
    }

    // Starts the camera on loopback with its RTSP server on a free port.
    bool start(const QStringList &extra = {}) {
        const QStringList args = QStringList{"--address",   "127.0.0.1", "--http-port", "0",
                                             "--rtsp-port", "0",         "--no-mdns"} +
                                 extra;
        if (!sim.start(simulator, args) ||
            !sim.waitForOutput(QStringLiteral("ready http="), deadlineMs))
            return false;
        const QString out = sim.standardOutput();
        httpPort = QRegularExpression(QStringLiteral("ready http=127\\.0\\.0\\.1:(\\d+)\n"))
                       .match(out)
                       .captured(1)
                       .toUShort();
        rtspPort =
            QRegularExpression(QStringLiteral("rtsp ready port=(\\d+) path=/livestream/11\n"))
                .match(out)
                .captured(1)
                .toUShort();
        return httpPort != 0;
    }

    qsizetype count(const QString &text) const { return sim.standardOutput().count(text); }
    // Output arrives through the event loop; the tick bounds each wait.
    bool waitForCount(const QString &text, qsizetype n) {
        const QDeadlineTimer deadline(deadlineMs);
        QTimer tick;
        tick.start(20);
        while (count(text) < n) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }
    bool command(const QString &line) {
        const QString answer = QStringLiteral("ok ") + line + u'\n';
        const qsizetype before = count(answer);
        return sim.write(line.toUtf8()) && waitForCount(answer, before + 1);
    }
    // A CGI setting as KestraLive sends it; true on "Success".
    bool setParameter(const QString &type, const QString &value) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, httpPort);
        if (!socket.waitForConnected(deadlineMs))
            return false;
        socket.write(QStringLiteral("GET /cgi-bin/hisnet/setworkmodeparam.cgi?&-workmode=NORM_REC"
                                    "&-type=%1&-value=%2 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                         .arg(type, value)
                         .toUtf8());
        QByteArray reply;
        while (socket.waitForReadyRead(deadlineMs))
            reply += socket.readAll();
        return reply.contains("Success");
    }
    // A new viewer's first picture has this size.
    ::testing::AssertionResult nextViewerSees(int width, int height) {
        RtspViewer viewer;
        if (const int error = viewer.open(rtspPort); error != 0)
            return ::testing::AssertionFailure() << "open: " << errorText(error);
        if (const int error = viewer.nextPicture(); error != 0)
            return ::testing::AssertionFailure() << "picture: " << errorText(error);
        const AVFrame *picture = viewer.picture();
        if (picture->width != width || picture->height != height)
            return ::testing::AssertionFailure()
                   << "size " << picture->width << "x" << picture->height;
        return ShowsColourBars(picture);
    }

    ChildProcess sim;
    quint16 httpPort = 0;
    quint16 rtspPort = 0;
};

TEST_F(CameraSimRtspTest, StreamsTheMediaModeAsH264ColourBarsWithARunningStamp) {
    ASSERT_TRUE(start({"--media-mode", "1080P30_SS"})) << sim.describe().toStdString();
    ASSERT_NE(rtspPort, 0) << sim.describe().toStdString();

    RtspViewer viewer;
    ASSERT_EQ(viewer.open(rtspPort), 0) << sim.describe().toStdString();
    EXPECT_TRUE(waitForCount(QStringLiteral("rtsp client connected\n"), 1));
    EXPECT_EQ(viewer.format()->nb_streams, 1u) << "no audio unless asked";
    EXPECT_EQ(viewer.videoStream()->codecpar->codec_id, AV_CODEC_ID_H264);
    ASSERT_EQ(viewer.nextPicture(), 0);
    EXPECT_EQ(viewer.picture()->width, 1920);
    EXPECT_EQ(viewer.picture()->height, 1080);
    EXPECT_TRUE(ShowsColourBars(viewer.picture()));

    const QByteArray firstStamp = stampArea(viewer.picture());
    EXPECT_NEAR(viewer.measuredFps(10), 30.0, 1.0);
    EXPECT_NE(stampArea(viewer.picture()), firstStamp) << "the clock and counter run";
}

TEST_F(CameraSimRtspTest, RotatedCameraStreamsPortraitAtItsFrameRate) {
    ASSERT_TRUE(start({"--media-mode", "1080P60", "--rotation", "ON"}))
        << sim.describe().toStdString();
    RtspViewer viewer;
    ASSERT_EQ(viewer.open(rtspPort), 0) << sim.describe().toStdString();
    ASSERT_EQ(viewer.nextPicture(), 0);
    EXPECT_EQ(viewer.picture()->width, 1080);
    EXPECT_EQ(viewer.picture()->height, 1920);
    EXPECT_TRUE(ShowsColourBars(viewer.picture()));
    EXPECT_NEAR(viewer.measuredFps(10), 60.0, 2.0);
}

TEST_F(CameraSimRtspTest, MediaModeChangesDropViewersAndTheNextOneGetsTheNewSize) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    RtspViewer watching;
    ASSERT_EQ(watching.open(rtspPort), 0);
    ASSERT_EQ(watching.nextPicture(), 0);

    // A change that keeps the picture keeps the viewer.
    ASSERT_TRUE(setParameter(QStringLiteral("MEDIAMODE"), QStringLiteral("1080P30_SS")));
    ASSERT_EQ(watching.nextPicture(), 0);
    EXPECT_EQ(count(QStringLiteral("rtsp client gone")), 0);

    ASSERT_TRUE(setParameter(QStringLiteral("ROTATION"), QStringLiteral("ON")));
    EXPECT_TRUE(waitForCount(QStringLiteral("rtsp client gone\n"), 1));
    EXPECT_NE(watching.readUntilFailure(100), 0) << "the old connection ends";
    EXPECT_TRUE(nextViewerSees(1080, 1920));

    ASSERT_TRUE(command(QStringLiteral("rtsp size 1080P60")));
    RtspViewer fast;
    ASSERT_EQ(fast.open(rtspPort), 0);
    EXPECT_NEAR(fast.measuredFps(6), 60.0, 2.0);
    EXPECT_EQ(fast.picture()->height, 1920);
}

TEST_F(CameraSimRtspTest, StopRefusesViewersAndStartServesAgainOnTheSamePort) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    RtspViewer watching;
    ASSERT_EQ(watching.open(rtspPort), 0);
    ASSERT_EQ(watching.nextPicture(), 0);

    ASSERT_TRUE(command(QStringLiteral("rtsp stop")));
    EXPECT_EQ(count(QStringLiteral("rtsp stopped\n")), 1);
    RtspViewer refused;
    EXPECT_EQ(refused.open(rtspPort), AVERROR(ECONNREFUSED));
    EXPECT_TRUE(waitForCount(QStringLiteral("rtsp client gone\n"), 1));

    ASSERT_TRUE(command(QStringLiteral("rtsp start")));
    EXPECT_EQ(count(QStringLiteral("rtsp ready port=%1 path=/livestream/11\n").arg(rtspPort)), 2);
    EXPECT_TRUE(nextViewerSees(1920, 1080));
}

TEST_F(CameraSimRtspTest, StallKeepsTheConnectionButSendsNothingUntilOff) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    RtspViewer viewer;
    ASSERT_EQ(viewer.open(rtspPort), 0);
    ASSERT_EQ(viewer.nextPicture(), 0);

    ASSERT_TRUE(command(QStringLiteral("rtsp stall on")));
    // Pictures already on the way may still come; then reads time out.
    const int error = viewer.readUntilFailure(30);
    EXPECT_NE(error, 0) << "reads time out after one second without data";
    EXPECT_NE(error, AVERROR_EOF);

    ASSERT_TRUE(command(QStringLiteral("rtsp stall off")));
    EXPECT_EQ(viewer.nextPicture(), 0) << "the same connection carries pictures again";
    EXPECT_EQ(count(QStringLiteral("rtsp client gone")), 0);
}

// A viewer that joins a stalled camera waits for pictures that do not come; switching the stall
// off meanwhile must answer at once, and the camera's web server and the viewer go on.
TEST_F(CameraSimRtspTest, StallOffWhileAViewerJoinsAnswersAtOnce) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(command(QStringLiteral("rtsp stall on")));
    int opened = -1;
    std::thread joining([&] {
        RtspViewer viewer;
        opened = viewer.open(rtspPort);
        if (opened == 0)
            opened = viewer.nextPicture();
    });
    ASSERT_TRUE(waitForCount(QStringLiteral("rtsp client connected"), 1));
    QTest::qWait(500);

    QElapsedTimer answered;
    answered.start();
    const bool off = command(QStringLiteral("rtsp stall off"));
    const qint64 offMs = answered.elapsed();
    const bool web = setParameter(QStringLiteral("ROTATION"), QStringLiteral("OFF"));
    joining.join();
    EXPECT_TRUE(off);
    EXPECT_LT(offMs, 1000);
    EXPECT_TRUE(web);
    EXPECT_EQ(opened, 0) << errorText(opened);
}

TEST_F(CameraSimRtspTest, DropClosesEveryViewerOfTheSharedStreamAndKeepsListening) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    RtspViewer first;
    RtspViewer second;
    ASSERT_EQ(first.open(rtspPort), 0);
    ASSERT_EQ(second.open(rtspPort), 0);
    ASSERT_EQ(first.nextPicture(), 0);
    ASSERT_EQ(second.nextPicture(), 0);
    EXPECT_TRUE(waitForCount(QStringLiteral("rtsp client connected\n"), 2));

    ASSERT_TRUE(command(QStringLiteral("rtsp drop")));
    EXPECT_TRUE(waitForCount(QStringLiteral("rtsp client gone\n"), 2));
    EXPECT_NE(first.readUntilFailure(100), 0);
    EXPECT_NE(second.readUntilFailure(100), 0);
    EXPECT_TRUE(nextViewerSees(1920, 1080));
}

TEST_F(CameraSimRtspTest, AudioIsAnOptionAndTheStreamCanBeOffOrBlocked) {
    ASSERT_TRUE(start({"--audio"})) << sim.describe().toStdString();
    {
        RtspViewer viewer;
        ASSERT_EQ(viewer.open(rtspPort), 0);
        ASSERT_EQ(viewer.format()->nb_streams, 2u);
        const AVCodecParameters *audio = viewer.format()->streams[1]->codecpar;
        EXPECT_EQ(audio->codec_type, AVMEDIA_TYPE_AUDIO);
        EXPECT_EQ(audio->codec_id, AV_CODEC_ID_OPUS);
        EXPECT_EQ(viewer.nextPicture(), 0);
    }
    stop();

    ASSERT_TRUE(start({"--no-rtsp"})) << sim.describe().toStdString();
    EXPECT_EQ(rtspPort, 0);
    ASSERT_TRUE(sim.write("rtsp start"));
    EXPECT_TRUE(sim.waitForOutput(QStringLiteral("error rtsp is off"), deadlineMs));
    stop();

    // A taken port leaves the rest of the camera running.
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(taken.serverPort());
    ASSERT_TRUE(sim.start(simulator, {"--address", "127.0.0.1", "--http-port", "0", "--no-mdns",
                                      "--rtsp-port", port}));
    ASSERT_TRUE(sim.waitForOutput(QStringLiteral("ready http="), deadlineMs));
    EXPECT_TRUE(
        sim.standardError().contains(QStringLiteral("rtsp off: cannot listen on port ") + port))
        << sim.describe().toStdString();
    ASSERT_TRUE(sim.write("rtsp start"));
    EXPECT_TRUE(sim.waitForOutput(QStringLiteral("error rtsp: cannot listen"), deadlineMs));
    taken.close();
    ASSERT_TRUE(command(QStringLiteral("rtsp start")));
    EXPECT_TRUE(sim.standardOutput().contains(QStringLiteral("rtsp ready port=") + port));
}

} // namespace
