#include "device/lanproxyfactory.h"

#include <gtest/gtest.h>
#include <QNetworkProxyQuery>
#include <QUrl>

namespace {

TEST(LanProxyFactoryTest, LocalNetworkAddressesAreReachedWithoutAProxy) {
    for (const char *lan : {"10.77.0.20", "127.0.0.1", "172.16.0.1", "172.31.255.254",
                            "192.168.1.23", "169.254.10.1"})
        EXPECT_TRUE(LanProxyFactory::isLanAddress(QString::fromLatin1(lan))) << lan;
    for (const char *other :
         {"172.15.255.255", "172.32.0.1", "192.169.0.1", "8.8.8.8", "cloud.example.com", "", "::1"})
        EXPECT_FALSE(LanProxyFactory::isLanAddress(QString::fromLatin1(other))) << other;

    LanProxyFactory factory;
    const QList<QNetworkProxy> proxies = factory.queryProxy(QNetworkProxyQuery(
        QUrl(QStringLiteral("http://10.77.0.20/cgi-bin/hisnet/getcamstate.cgi"))));
    ASSERT_EQ(proxies.size(), 1);
    EXPECT_EQ(proxies.first().type(), QNetworkProxy::NoProxy);
}

} // namespace
