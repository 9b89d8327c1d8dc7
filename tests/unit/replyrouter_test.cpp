#include "device/replyrouter.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QNetworkReply>

namespace {

// A reply that never touches the network; the router only needs its identity.
class FakeReply : public QNetworkReply {
public:
    explicit FakeReply(const QString &name) { setObjectName(name); }
    void abort() override {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
};

class ReplyRouterTest : public ::testing::Test {
protected:
    // Routed replies are released with deleteLater().
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QStringList dispatched;
    ReplyRouter router{[this](QNetworkReply *reply, int tag) {
        dispatched << QStringLiteral("%1:%2").arg(reply->objectName()).arg(tag);
    }};
};

TEST_F(ReplyRouterTest, DispatchesATrackedReplyOnceWithItsTag) {
    auto *reply = new FakeReply(QStringLiteral("a"));
    router.track(reply, 207);
    EXPECT_EQ(router.pendingCount(), 1);
    router.route(reply);
    EXPECT_EQ(dispatched, QStringList{QStringLiteral("a:207")});
    EXPECT_EQ(router.pendingCount(), 0);
}

TEST_F(ReplyRouterTest, RepliesFinishingWhileTheLockIsHeldAreHandledInArrivalOrder) {
    auto *first = new FakeReply(QStringLiteral("first"));
    auto *second = new FakeReply(QStringLiteral("second"));
    auto *third = new FakeReply(QStringLiteral("third"));
    router.track(first, 200);
    router.track(second, 208);
    router.track(third, 206);
    {
        ReplyRouterLockHolder busy(router);
        router.route(first);
        router.route(second);
        EXPECT_TRUE(dispatched.isEmpty());
    }
    router.route(third);
    EXPECT_EQ(dispatched, QStringList({"first:200", "second:208", "third:206"}));
}

TEST_F(ReplyRouterTest, RetaggedCameraRepliesReachTheDispatcherWithTheNewTagButCloudRepliesKeepTheirs) {
    auto *camera = new FakeReply(QStringLiteral("late"));
    auto *download = new FakeReply(QStringLiteral("installer"));
    router.track(camera, 209);
    router.track(download, 8);
    router.retagCameraReplies(211);
    router.route(camera);
    router.route(download);
    EXPECT_EQ(dispatched, QStringList({"late:211", "installer:8"}));
}

TEST_F(ReplyRouterTest, UntrackedReplyIsReleasedWithoutDispatch) {
    router.route(new FakeReply(QStringLiteral("stranger")));
    EXPECT_TRUE(dispatched.isEmpty());
}

} // namespace
