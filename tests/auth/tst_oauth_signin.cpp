// The OAuth2 sign-in against an authorization server on loopback: the tokens of a granted
// sign-in, PKCE and state as the server and the program see them, and every way it fails.
#include "auth/AuthTestUtil.h"
#include "auth/Pkce.h"
#include "fakes/RecordingProcessLauncher.h"

#include <QtTest>

using namespace std::chrono_literals;

class TstOAuthSignIn : public QObject
{
    Q_OBJECT
private slots:
    void grantedSignIn();
    void failedSignIn_data();
    void failedSignIn();
    void incompleteConfig_data();
    void incompleteConfig();
    void defaultOpenerStartsBrowser();
};

void TstOAuthSignIn::grantedSignIn()
{
    AuthServer server;
    QVERIFY(server.listen());
    ScriptedBrowser browser;
    QStringList challenges;
    for (int round = 0; round < 2; ++round) {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const OAuthTokens tokens = signInThrough(server, browser);
        QVERIFY(tokens.accessToken.startsWith("at-"));
        QVERIFY(tokens.refreshToken.startsWith("rt+/"));
        QCOMPARE(tokens.expiresAt.timeSpec(), Qt::UTC);
        QVERIFY(tokens.expiresAt >= before.addSecs(3600));
        QVERIFY(tokens.expiresAt <= QDateTime::currentDateTimeUtc().addSecs(3600));

        const auto authorize = server.exchangesOf("/authorize").last();
        const QUrlQuery &asked = authorize.request.query;
        QCOMPARE(authorize.status, 302);
        QCOMPARE(asked.queryItemValue(QStringLiteral("code_challenge_method")), QStringLiteral("S256"));
        QCOMPARE(LoopbackHttp::value(asked, QStringLiteral("scope")), QStringLiteral("pop3 offline"));
        challenges << asked.queryItemValue(QStringLiteral("code_challenge"));
        // The listener got the state the request carried and showed the browser its page.
        const QString state = asked.queryItemValue(QStringLiteral("state"));
        QVERIFY(state.size() >= 16);
        QCOMPARE(QUrlQuery(browser.visited().last()).queryItemValue(QStringLiteral("state")), state);
        QTRY_COMPARE_WITH_TIMEOUT(browser.landingStatus(), 200, 10000);
        // The server answered the exchange only after checking the verifier against the challenge.
        const auto exchange = server.exchangesOf("/token", QStringLiteral("authorization_code")).last();
        QCOMPARE(exchange.status, 200);
        QCOMPARE(Pkce::challengeOf(LoopbackHttp::value(exchange.request.query, QStringLiteral("code_verifier")).toLatin1()),
                 challenges.last().toLatin1());
    }
    QVERIFY2(challenges.first() != challenges.last(), "every sign-in needs a verifier of its own");
    QVERIFY(browser.errors().isEmpty());
}

void TstOAuthSignIn::failedSignIn_data()
{
    QTest::addColumn<bool>("deny");
    QTest::addColumn<QString>("tamper");   // "", "challenge", "state"
    QTest::addColumn<QString>("browser");  // "scripted", "silent", "missing"
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("tokenRequests");

    QTest::newRow("consent denied") << true << "" << "scripted" << 20000 << "declined in the browser" << 0;
    QTest::newRow("wrong PKCE verifier")
        << false << "challenge" << "scripted" << 20000
        << "refused the token request (invalid_grant: PKCE verification failed)" << 1;
    QTest::newRow("state of another request") << false << "state" << "scripted" << 20000 << "state does not match" << 0;
    QTest::newRow("browser never returns") << false << "" << "silent" << 300 << "not completed within 1 s" << 0;
    QTest::newRow("no browser") << false << "" << "missing" << 20000 << "No web browser could be started" << 0;
}

void TstOAuthSignIn::failedSignIn()
{
    QFETCH(bool, deny);
    QFETCH(QString, tamper);
    QFETCH(QString, browser);
    QFETCH(int, timeoutMs);
    QFETCH(QString, reason);
    QFETCH(int, tokenRequests);

    AuthServer server;
    QVERIFY(server.listen());
    server.setConsent(deny ? AuthServer::Consent::Deny : AuthServer::Consent::Grant);
    ScriptedBrowser scripted;
    if (tamper == QLatin1String("challenge"))
        scripted.alterAuthorization = [](const QUrl &url) {
            return withQueryItem(url, QStringLiteral("code_challenge"),
                                 QString::fromLatin1(Pkce::challengeOf(Pkce::newVerifier())));
        };
    if (tamper == QLatin1String("state"))
        scripted.alterRedirect = [](const QUrl &url) {
            return withQueryItem(url, QStringLiteral("state"), QStringLiteral("forged-state"));
        };
    OAuthSignIn::OpenUrl open = scripted.opener();
    if (browser == QLatin1String("silent"))
        open = [](const QUrl &) { return true; };
    if (browser == QLatin1String("missing"))
        open = [](const QUrl &) { return false; };

    const QString failure =
        failureOf(OAuthSignIn::signIn(configFor(server), open, std::chrono::milliseconds(timeoutMs)));
    QVERIFY2(failure.contains(reason), qPrintable(failure));
    QCOMPARE(server.exchangesOf("/token").size(), tokenRequests);
}

void TstOAuthSignIn::incompleteConfig_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("clientId");
    QTest::addColumn<QString>("tokenUrl");
    QTest::addColumn<QString>("reason");

    const QString token = QStringLiteral("http://127.0.0.1:9/token");
    QTest::newRow("google without client id") << "google" << "" << "" << "No OAuth client id";
    QTest::newRow("microsoft without client id") << "microsoft" << " " << "" << "No OAuth client id";
    QTest::newRow("custom without client id") << "custom" << "" << token << "No OAuth client id";
    QTest::newRow("custom without token address") << "custom" << "vorlo" << "" << "a token address";
    QTest::newRow("command without command") << "command" << "" << "" << "No OAuth command";
}

void TstOAuthSignIn::incompleteConfig()
{
    QFETCH(QString, provider);
    QFETCH(QString, clientId);
    QFETCH(QString, tokenUrl);
    QFETCH(QString, reason);

    OAuthConfig fields;
    fields.clientId = clientId;
    fields.authUrl = QUrl(QStringLiteral("http://127.0.0.1:9/authorize"));
    fields.tokenUrl = QUrl(tokenUrl);
    const OAuthConfig config = OAuthConfig::forProvider(provider, fields);
    bool opened = false;
    const QString signInFailure =
        failureOf(OAuthSignIn::signIn(config, [&opened](const QUrl &) { return opened = true; }, 1s));
    QVERIFY2(signInFailure.contains(reason), qPrintable(signInFailure));
    QVERIFY(!opened);
    const QString refreshFailure = failureOf(OAuthSignIn::refresh(config, "rt"));
    QVERIFY2(refreshFailure.contains(reason), qPrintable(refreshFailure));
}

void TstOAuthSignIn::defaultOpenerStartsBrowser()
{
    RecordingProcessLauncher launcher;
    const QUrl page(QStringLiteral("https://sign-in.example/authorize?scope=a b&note=\"quoted\""));
    QVERIFY(OAuthSignIn::defaultOpenUrl()(page));
    QCOMPARE(launcher.starts().size(), 1);
    const QStringList words = QProcess::splitCommand(launcher.starts().first().commandLine);
    QCOMPARE(words.size(), 2);
    QCOMPARE(QUrl::fromEncoded(words.last().toLatin1()), page);
    launcher.setResult(false);
    QVERIFY(!OAuthSignIn::defaultOpenUrl()(page));
}

QTEST_GUILESS_MAIN(TstOAuthSignIn)
#include "tst_oauth_signin.moc"
