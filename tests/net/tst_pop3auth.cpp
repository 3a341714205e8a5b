// The login mechanisms against the private test Dovecot, and the message builders against
// the published examples.
#include "fixtures/SyncWait.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"
#include "fixtures/TokenVerdicts.h"
#include "net/Sasl.h"
#include "net/TNMPOP3.h"
#include "NetTestUtil.h"

#include <QSslConfiguration>
#include <QTest>

#include <memory>

class TstPop3Auth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
        QVERIFY2(m_verdicts.start(&why), qPrintable(why));
    }

    // Right and wrong secrets for every mechanism, plain and with STLS; OAuth2 picks
    // OAUTHBEARER because the server lists it.
    void mechanismsLogIn_data()
    {
        QTest::addColumn<QByteArray>("auth");
        QTest::addColumn<QByteArray>("security");
        QTest::addColumn<bool>("rightSecret");
        QTest::addColumn<QByteArray>("mechanism");
        QTest::addColumn<QString>("failure");
        const QString refused = QStringLiteral("Authentication failed (%1: [AUTH] Authentication failed.)");
        struct Row { const char *auth; const char *mechanism; };
        for (const Row row : {Row{"password", "USER"}, Row{"plain", "PLAIN"}, Row{"apop", "APOP"},
                              Row{"scram-sha-256", "SCRAM-SHA-256"}, Row{"oauth2", "OAUTHBEARER"}}) {
            const QString wrong = QByteArray(row.auth) == "password" ? QStringLiteral("Authentication failed")
                                  : QByteArray(row.auth) == "oauth2"
                                      ? QStringLiteral("Authentication failed (OAUTHBEARER: the server refused the "
                                                       "access token (invalid_token); [AUTH] Authentication failed.)")
                                      : refused.arg(QLatin1String(row.mechanism));
            for (const char *security : {"none", "starttls"}) {
                QTest::addRow("%s %s right", row.auth, security)
                    << QByteArray(row.auth) << QByteArray(security) << true << QByteArray(row.mechanism) << QString();
                QTest::addRow("%s %s wrong", row.auth, security)
                    << QByteArray(row.auth) << QByteArray(security) << false << QByteArray(row.mechanism)
                    << QStringLiteral("EGeneralError: ") + wrong;
            }
        }
    }
    void mechanismsLogIn()
    {
        QFETCH(QByteArray, auth);
        QFETCH(QByteArray, security);
        QFETCH(bool, rightSecret);
        QFETCH(QByteArray, mechanism);
        QFETCH(QString, failure);
        const Dovecot::User user = Dovecot::addUser("auth");
        Dovecot::deliver(user, {Dovecot::message("Subject: one")});
        const QByteArray token = "token-" + user.name;
        m_verdicts.accept(token, user.name);

        auto pop = clientFor(user, security);
        pop->Auth = auth;
        pop->AccessToken = rightSecret ? token : QByteArray("token-nobody-issued");
        if (!rightSecret)
            pop->Password = "not-" + user.password;
        const QString raised = failureOf([&] { syncWait(pop->Connect()); });
        QCOMPARE(raised, failure);
        QCOMPARE(pop->AuthMechanism, mechanism);
        if (rightSecret)
            QCOMPARE(pop->MailCount, 1);
        m_verdicts.revoke(token);
    }

    // Peers Dovecot cannot play: one that lists only XOAUTH2 and refuses the token with its
    // error challenge, one without the APOP timestamp, one without STLS for PLAIN on "auto".
    void scriptedPeers_data()
    {
        QTest::addColumn<QByteArray>("auth");
        QTest::addColumn<QByteArray>("security");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("failure");
        const QByteArray xoauth = Sasl::xoauth2Response("u@example.org", "tok").toBase64();
        const QByteArray error = QByteArray(R"({"status":"401","schemes":"bearer"})").toBase64();
        QTest::newRow("xoauth2 refused") << QByteArray("oauth2") << QByteArray("none")
            << "S: +OK ready\nC: CAPA\nS: +OK\nS: SASL XOAUTH2\nS: .\nC: AUTH XOAUTH2 " + xoauth
                   + "\nS: + " + error + "\nC: \nS: -ERR [AUTH] Invalid credentials\nC: QUIT\nS: +OK\n"
            << QStringLiteral("EGeneralError: Authentication failed (XOAUTH2: the server refused the access token "
                              "(401); [AUTH] Invalid credentials)");
        QTest::newRow("apop without timestamp") << QByteArray("apop") << QByteArray("none")
            << QByteArray("S: +OK ready\nC: QUIT\nS: +OK\n")
            << QStringLiteral("EGeneralError: The server does not offer APOP (its greeting has no timestamp)");
        QTest::newRow("plain without STLS") << QByteArray("plain") << QByteArray("auto")
            << QByteArray("S: +OK ready\nC: CAPA\nS: +OK\nS: SASL PLAIN\nS: .\nC: QUIT\nS: +OK\n")
            << QStringLiteral("ESockError: The connection is not encrypted, so PLAIN would show the password; "
                              "it was not sent");
    }
    void scriptedPeers()
    {
        QFETCH(QByteArray, auth);
        QFETCH(QByteArray, security);
        QFETCH(QByteArray, script);
        QFETCH(QString, failure);
        ScriptServer server;
        QVERIFY2(server.setScript(script), qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        pop.Host = QStringLiteral("127.0.0.1");
        pop.Port = server.port();
        pop.TimeOut = 5000;
        pop.UserID = "u@example.org";
        pop.Password = "pw";
        pop.AccessToken = "tok";
        pop.Auth = auth;
        pop.Security = security;
        QCOMPARE(failureOf([&] { syncWait(pop.Connect()); }), failure);
        QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
        QCOMPARE(server.errors(), QStringList());
        QVERIFY(!server.received().join('\n').contains("pw"));
    }

    void builders_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("apop") << Sasl::apopDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf")
                              << QByteArray("c4c9334bac560ecc979e58001b3e22fb");
        QTest::newRow("plain") << Sasl::plainResponse("tim", "tanstaaf") << QByteArray("\0tim\0tanstaaf", 13);
        QTest::newRow("oauthbearer") << Sasl::oauthBearerResponse("u,=", "abc")
                                     << QByteArray("n,a=u=2C=3D,\x01" "auth=Bearer abc\x01\x01");
        QTest::newRow("xoauth2") << Sasl::xoauth2Response("someuser@example.com", "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg")
                                 << QByteArray("user=someuser@example.com\x01" "auth=Bearer "
                                               "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg\x01\x01");
    }
    void builders()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built, expected);
    }

    // The published SCRAM-SHA-256 exchange, and a server that cannot prove the password.
    void scramExample()
    {
        Sasl::ScramSha256 scram("user", "pencil", "rOprNGfwEbeRWgbNEkqO");
        QCOMPARE(scram.clientFirst(), QByteArray("n,,n=user,r=rOprNGfwEbeRWgbNEkqO"));
        QCOMPARE(scram.clientFinal("r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                                   "s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096"),
                 QByteArray("c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                            "p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ="));
        scram.verifyServerFinal("v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=");
        QVERIFY(!failureOf([&] { scram.verifyServerFinal("v=7rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4="); })
                     .isEmpty());
        QVERIFY(!failureOf([&] { scram.verifyServerFinal("e=other-error"); }).isEmpty());
    }

    void scramRejectsBadServerFirst_data()
    {
        QTest::addColumn<QByteArray>("serverFirst");
        QTest::newRow("foreign nonce") << QByteArray("r=someoneelse,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096");
        QTest::newRow("nonce not extended") << QByteArray("r=abc,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096");
        QTest::newRow("no salt") << QByteArray("r=abcdef,i=4096");
        QTest::newRow("too few iterations") << QByteArray("r=abcdef,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=1");
        QTest::newRow("too many iterations") << QByteArray("r=abcdef,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=2000000000");
    }
    void scramRejectsBadServerFirst()
    {
        QFETCH(QByteArray, serverFirst);
        Sasl::ScramSha256 scram("user", "pencil", "abc");
        QVERIFY(failureOf([&] { scram.clientFinal(serverFirst); }).startsWith(QLatin1String("EGeneralError: ")));
    }

private:
    std::unique_ptr<TNMPOP3> clientFor(const Dovecot::User &user, const QByteArray &security)
    {
        auto pop = std::make_unique<TNMPOP3>();
        pop->Host = QStringLiteral("localhost");
        pop->Port = Dovecot::plainPort();
        pop->TimeOut = 10000;
        pop->UserID = user.name;
        pop->Password = user.password;
        pop->Security = security;
        pop->CertFingerprint = Dovecot::certFingerprint();
        return pop;
    }

    TokenVerdicts m_verdicts;
};

QTEST_GUILESS_MAIN(TstPop3Auth)
#include "tst_pop3auth.moc"
