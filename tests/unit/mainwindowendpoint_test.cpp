// KestraLive's end of the filter's window messages: the datagram both sides agree on, and the
// endpoint receiving what the filter's PostToMainWindow sends, on the GUI thread, exactly while
// it exists.
#include "platform/mainwindow.h"
#include "platform/mainwindowendpoint.h"
#include "support/logcapture.h"
#include "support/mainwindowstandin.h"
#include "support/tempconfigroot.h"
#include "vcam/messages.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace Kestra;

namespace {

TEST(VCamDatagram, IsTwentyLittleEndianBytesThatDecodeBack) {
    constexpr VCamMessage message{WM_VCAM_RESOLUTION, 0x0102030405060708, -2};
    constexpr VCamDatagram bytes = encodeVCamMessage(message);
    static_assert(decodeVCamMessage(bytes.data(), bytes.size()) == message);
    const VCamDatagram expected = {0x38, 0x04, 0x00, 0x00, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03,
                                   0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(decodeVCamMessage(bytes.data(), 19), std::nullopt);
    EXPECT_EQ(decodeVCamMessage(bytes.data(), 21), std::nullopt);
}

TEST(VCamDatagram, EndpointLivesInTheRuntimeFolderOrPerUserInTmp) {
    EXPECT_EQ(mainWindowEndpointPath("/run/user/1000", 1000), "/run/user/1000/KestraStudioMain");
    EXPECT_EQ(mainWindowEndpointPath(nullptr, 1000), "/tmp/KestraStudioMain-1000");
    EXPECT_EQ(mainWindowEndpointPath("", 7), "/tmp/KestraStudioMain-7");
    EXPECT_EQ(mainWindowEndpointPath("run", 7), "/tmp/KestraStudioMain-7");
}

class MainWindowEndpointTest : public ::testing::Test {
protected:
    std::string path() const {
        return mainWindowEndpointPath(std::getenv("XDG_RUNTIME_DIR"), ::getuid());
    }
    // Sends bytes to the endpoint as any local process could.
    void sendRaw(const void *data, std::size_t size) const {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        path().copy(address.sun_path, sizeof address.sun_path - 1);
        const ssize_t sent =
            ::sendto(fd, data, size, 0, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
        ASSERT_EQ(sent, static_cast<ssize_t>(size));
    }
    static std::vector<VCamMessage> received(const QSignalSpy &spy) {
        std::vector<VCamMessage> all;
        for (const QList<QVariant> &args : spy)
            all.push_back(
                {args[0].value<quint32>(), args[1].value<quint64>(), args[2].value<qint64>()});
        return all;
    }

    TempConfigRoot root;
};

TEST_F(MainWindowEndpointTest, ReceivesWhatTheFilterPosts) {
    MainWindowEndpoint endpoint;
    ASSERT_TRUE(endpoint.isOpen());
    EXPECT_TRUE(MainWindowExists());
    QSignalSpy spy(&endpoint, &MainWindowEndpoint::vcamMessage);

    PostToMainWindow(WM_VCAM_ACTIVE, 3, 1);
    PostToMainWindow(WM_VCAM_RESOLUTION, 3, 4);
    PostToMainWindow(WM_VCAM_FPS, UINT64_MAX, INT64_MIN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 3; }, 5000));
    const std::vector<VCamMessage> expected = {
        {WM_VCAM_ACTIVE, 3, 1}, {WM_VCAM_RESOLUTION, 3, 4}, {WM_VCAM_FPS, UINT64_MAX, INT64_MIN}};
    EXPECT_EQ(received(spy), expected);
}

TEST_F(MainWindowEndpointTest, RejectsASecondEndpointWhileTheFirstIsAlive) {
    MainWindowEndpoint first;
    ASSERT_TRUE(first.isOpen());
    QSignalSpy spy(&first, &MainWindowEndpoint::vcamMessage);
    {
        LogCapture log;
        MainWindowEndpoint second;
        EXPECT_FALSE(second.isOpen());
        EXPECT_TRUE(log.hasError(QStringLiteral("already held")));
    }
    // The refused one took nothing away from the first.
    EXPECT_TRUE(MainWindowExists());
    PostToMainWindow(WM_VCAM_ACTIVE, 1, 0);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(received(spy), (std::vector<VCamMessage>{{WM_VCAM_ACTIVE, 1, 0}}));
}

TEST_F(MainWindowEndpointTest, TakesOverThePathACrashedInstanceLeft) {
    MainWindowStandIn crashed;
    crashed.crash();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(path())));
    ASSERT_FALSE(MainWindowExists());

    MainWindowEndpoint endpoint;
    ASSERT_TRUE(endpoint.isOpen());
    QSignalSpy spy(&endpoint, &MainWindowEndpoint::vcamMessage);
    PostToMainWindow(WM_VCAM_FPS, 2, 15);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(received(spy), (std::vector<VCamMessage>{{WM_VCAM_FPS, 2, 15}}));
}

TEST_F(MainWindowEndpointTest, IgnoresMalformedDatagramsAndForeignMessages) {
    MainWindowEndpoint endpoint;
    ASSERT_TRUE(endpoint.isOpen());
    QSignalSpy spy(&endpoint, &MainWindowEndpoint::vcamMessage);

    const VCamDatagram good = encodeVCamMessage({WM_VCAM_ACTIVE, 4, 1});
    const std::uint8_t longer[vcamDatagramSize + 8] = {0x37, 0x04};
    sendRaw(good.data(), 0);
    sendRaw(good.data(), vcamDatagramSize - 1);
    sendRaw(longer, sizeof longer);
    const VCamDatagram foreign = encodeVCamMessage({WM_VCAM_ACTIVE - 1, 4, 1});
    sendRaw(foreign.data(), foreign.size());
    const VCamDatagram beyond = encodeVCamMessage({WM_VCAM_FPS + 1, 4, 1});
    sendRaw(beyond.data(), beyond.size());
    sendRaw(good.data(), good.size());

    // Datagrams arrive in order, so the good one comes last.
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(received(spy), (std::vector<VCamMessage>{{WM_VCAM_ACTIVE, 4, 1}}));
}

TEST_F(MainWindowEndpointTest, AfterDestructionThereIsNoWindowAndNoFile) {
    {
        MainWindowEndpoint endpoint;
        ASSERT_TRUE(endpoint.isOpen());
    }
    EXPECT_FALSE(MainWindowExists());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path())));
    PostToMainWindow(WM_VCAM_ACTIVE, 1, 0);

    MainWindowEndpoint again; // a restarted KestraLive opens cleanly
    EXPECT_TRUE(again.isOpen());
}

} // namespace
