// What a check gets from OAuthAccess: kept access tokens while fresh, refreshed ones when
// they run out (and the refresh token the server swapped in), a refused refresh, and the
// access token printed by the "command" provider.
#include "auth/AuthTestUtil.h"
#include "auth/OAuthAccess.h"

#include <QtTest>

using namespace std::chrono_literals;

class TstOAuthAccess : public QObject
{
    Q_OBJECT
private slots:
    void refreshesWhenRunningOut_data();
    void refreshesWhenRunningOut();
    void overlappingCallsShareOneRefresh();
    void refusedRefresh();
    void command_data();
    void command();
};

void TstOAuthAccess::refreshesWhenRunningOut_data()
{
    QTest::addColumn<bool>("rotate");
    QTest::newRow("refresh token kept") << false;
    QTest::newRow("refresh token replaced") << true;
}

void TstOAuthAccess::refreshesWhenRunningOut()
{
    QFETCH(bool, rotate);
    AuthServer server;
    QVERIFY(server.listen());
    server.setRotateRefreshTokens(rotate);
    // Within the margin a check needs: the token counts as used up at once.
    server.setAccessLifetime(30);
    ScriptedBrowser browser;
    const OAuthTokens signedIn = signInThrough(server, browser);
    const OAuthConfig config = configFor(server);
    const QString account = QStringLiteral("Account 1");
    OAuthAccess access;
    access.remember(account, signedIn);
    auto refreshes = [&] { return server.exchangesOf("/token", QStringLiteral("refresh_token")).size(); };

    QByteArray refreshToken = signedIn.refreshToken;
    server.setAccessLifetime(3600);
    const OAuthAccess::Token first = syncWait(access.accessToken(account, config, refreshToken));
    QCOMPARE(refreshes(), 1);
    QVERIFY(first.accessToken.startsWith("at-"));
    QVERIFY(first.accessToken != signedIn.accessToken);
    QCOMPARE(first.newRefreshToken.isEmpty(), !rotate);
    if (rotate)
        refreshToken = first.newRefreshToken;

    // Fresh for an hour: the kept one, without asking the server.
    const OAuthAccess::Token again = syncWait(access.accessToken(account, config, refreshToken));
    QCOMPARE(again.accessToken, first.accessToken);
    QVERIFY(again.newRefreshToken.isEmpty());
    QCOMPARE(refreshes(), 1);

    // Another account is not given this one's token.
    const OAuthAccess::Token other = syncWait(access.accessToken(QStringLiteral("Account 2"), config, refreshToken));
    QVERIFY(other.accessToken != first.accessToken);
    QCOMPARE(refreshes(), 2);
    for (const auto &exchange : server.exchangesOf("/token"))
        QCOMPARE(exchange.status, 200);
}

void TstOAuthAccess::overlappingCallsShareOneRefresh()
{
    AuthServer server;
    QVERIFY(server.listen());
    // Where it matters: a second refresh with the replaced token would be refused.
    server.setRotateRefreshTokens(true);
    ScriptedBrowser browser;
    const OAuthTokens signedIn = signInThrough(server, browser);
    const OAuthConfig config = configFor(server);
    OAuthAccess access;
    QCoro::Task<OAuthAccess::Token> first = access.accessToken(QStringLiteral("Account 1"), config, signedIn.refreshToken);
    QCoro::Task<OAuthAccess::Token> second = access.accessToken(QStringLiteral("Account 1"), config, signedIn.refreshToken);
    const OAuthAccess::Token a = syncWait(std::move(first));
    const OAuthAccess::Token b = syncWait(std::move(second));
    QCOMPARE(server.exchangesOf("/token", QStringLiteral("refresh_token")).size(), 1);
    QCOMPARE(b.accessToken, a.accessToken);
    QVERIFY(!a.newRefreshToken.isEmpty());
    QCOMPARE(b.newRefreshToken, a.newRefreshToken);
}

void TstOAuthAccess::refusedRefresh()
{
    AuthServer server;
    QVERIFY(server.listen());
    ScriptedBrowser browser;
    const OAuthTokens signedIn = signInThrough(server, browser);
    server.setRefuseRefresh(true);
    OAuthAccess access;
    const QString failure =
        failureOf(access.accessToken(QStringLiteral("Account 1"), configFor(server), signedIn.refreshToken));
    QVERIFY2(failure.contains(QLatin1String("sign in again")), qPrintable(failure));
    QVERIFY2(failure.contains(QLatin1String("invalid_grant: Token has been expired or revoked.")), qPrintable(failure));
}

void TstOAuthAccess::command_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QStringList>("reason");

    QTest::newRow("first line printed")
        << R"(/bin/sh -c "printf ' tok-123 \nsecond line\n'")" << 10000 << QByteArray("tok-123") << QStringList();
    QTest::newRow("arguments split without a shell")
        << R"(/bin/echo "tok;$HOME")" << 10000 << QByteArray("tok;$HOME") << QStringList();
    QTest::newRow("non-zero exit")
        << R"(/bin/sh -c "echo vault is locked >&2; exit 3")" << 10000 << QByteArray()
        << QStringList{"exit code 3", "vault is locked"};
    QTest::newRow("empty output")
        << R"(/bin/sh -c "echo no token for you >&2")" << 10000 << QByteArray()
        << QStringList{"printed no access token", "no token for you"};
    QTest::newRow("crash") << R"(/bin/sh -c "kill -SEGV $$")" << 10000 << QByteArray() << QStringList{"crashed"};
    QTest::newRow("outlasts its bound") << "sleep 30" << 300 << QByteArray() << QStringList{"did not finish within 300 ms"};
    QTest::newRow("no such program")
        << "/nonexistent/token-helper" << 10000 << QByteArray() << QStringList{"could not be started"};
    QTest::newRow("endless error output bounded")
        << R"(/bin/sh -c "head -c 200000 /dev/zero | tr '\0' x >&2; exit 1")" << 10000 << QByteArray()
        << QStringList{"exit code 1", "xxx..."};
}

void TstOAuthAccess::command()
{
    QFETCH(QString, command);
    QFETCH(int, timeoutMs);
    QFETCH(QByteArray, token);
    QFETCH(QStringList, reason);

    OAuthConfig fields;
    fields.command = command;
    const OAuthConfig config = OAuthConfig::forProvider(QStringLiteral("command"), fields);
    OAuthAccess access;
    access.setCommandTimeout(std::chrono::milliseconds(timeoutMs));
    if (!token.isEmpty()) {
        const OAuthAccess::Token got = syncWait(access.accessToken(QStringLiteral("Account 1"), config, {}));
        QCOMPARE(got.accessToken, token);
        QVERIFY(got.newRefreshToken.isEmpty());
        return;
    }
    const QString failure = failureOf(access.accessToken(QStringLiteral("Account 1"), config, {}));
    for (const QString &part : reason)
        QVERIFY2(failure.contains(part), qPrintable(failure));
    QVERIFY2(failure.size() < 400, qPrintable(failure));
}

QTEST_GUILESS_MAIN(TstOAuthAccess)
#include "tst_oauth_access.moc"
