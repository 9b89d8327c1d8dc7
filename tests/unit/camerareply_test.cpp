#include "device/camerareply.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace CameraReply;

TEST(CameraReplyTest, SuccessAndWirelessAreCaseSensitiveSubstrings) {
    EXPECT_TRUE(isSuccess(QStringLiteral("<html>Set Success</html>")));
    EXPECT_FALSE(isSuccess(QStringLiteral("success")));
    EXPECT_TRUE(isWirelessMode(QStringLiteral("var normrecmode=\"wireless\";\r\n")));
    EXPECT_FALSE(isWirelessMode(QStringLiteral("var normrecmode=\"WIRELESS\";\r\n")));
}

TEST(CameraReplyTest, WorkModeValueIsThePieceAfterTheFirstSeparatorWithItsTail) {
    EXPECT_EQ(workModeValue(QStringLiteral("var value=\"1080P30_HDR_SS\";\r\nvar x=\"1\";")),
              QStringLiteral("1080P30_HDR_SS\";\r\nvar x"));
    // "value" without a separator is an empty value, not a missing one.
    EXPECT_EQ(workModeValue(QStringLiteral("var value = ON;")), QString());
    EXPECT_EQ(workModeValue(QStringLiteral("var Value=\"ON\";")), std::nullopt);
}

TEST(CameraReplyTest, LivingReadsThePieceAfterTheFirstLivingName) {
    EXPECT_EQ(isLiving(QStringLiteral("var state=\"1\";\r\nvar living=\"true\";\r\n")), true);
    EXPECT_EQ(isLiving(QStringLiteral("var living=\"false\";\r\nvar living2=\"true\";")), false);
    EXPECT_EQ(isLiving(QStringLiteral("var living")), false);
    EXPECT_EQ(isLiving(QStringLiteral("var Living=\"true\";")), std::nullopt);
}

TEST(CameraReplyTest, BatteryReadsCapacityChargeAndAcWithZeroForAnythingUnreadable) {
    const auto full =
        battery(QStringLiteral("var capacity=\"87\";\r\nvar charge=\"1\";\r\nvar ac=\"1\";\r\n"));
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ((std::tuple{full->capacity, full->charge, full->ac}), (std::tuple{87, 1, 1}));

    const auto garbage = battery(QStringLiteral("var capacity=\"abc\";\r\nvar charge=\"\";"));
    ASSERT_TRUE(garbage.has_value());
    EXPECT_EQ((std::tuple{garbage->capacity, garbage->charge, garbage->ac}), (std::tuple{0, 0, 0}));

    const auto unterminated = battery(QStringLiteral("capacity=\"7"));
    ASSERT_TRUE(unterminated.has_value());
    EXPECT_EQ(unterminated->capacity, 7);

    EXPECT_FALSE(battery(QStringLiteral("<html>404 Not Found</html>")).has_value());
}

TEST(CameraReplyTest, ResFpsPrefersThirtyThenSixtyElseFourK) {
    EXPECT_EQ(resFpsOf(QStringLiteral("1080P60_1080P30")), QStringLiteral("1080P30"));
    EXPECT_EQ(resFpsOf(QStringLiteral("1080P60\";\r\n")), QStringLiteral("1080P60"));
    EXPECT_EQ(resFpsOf(QStringLiteral("1080p30_HDR")), QStringLiteral("4K30"));
}

} // namespace
