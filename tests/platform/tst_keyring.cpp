// The keyring: secrets stored, read back byte for byte, replaced and removed in a real
// gnome-keyring-daemon on a private bus; moved between the settings file and the keyring; and
// the errors of a locked keyring and of a session without one. The daemon's state only goes
// downhill (open, locked, gone), so the test functions run in this order.
#include "fakes/FakeSecretStore.h"
#include "fixtures/PrivateBus.h"
#include "fixtures/PrivateKeyring.h"
#include "fixtures/SyncWait.h"
#include "platform/SecretMoves.h"
#include "platform/SecretStore.h"

#include <QtTest>

using Reason = ESecretStoreError::Reason;

namespace {

const char *const NoDaemon = "gnome-keyring-daemon is not installed (Debian package gnome-keyring)";

// The keyring error `run` raises, nullopt when it raises none.
template <typename Run> std::optional<ESecretStoreError> errorOf(Run run)
{
    try {
        run();
    } catch (const ESecretStoreError &error) {
        return error;
    }
    return std::nullopt;
}

// Each operation failed for `reason`, with a message that starts by saying so.
void expectFailures(std::initializer_list<std::optional<ESecretStoreError>> errors, Reason reason,
                    const QString &saying)
{
    int operation = 0;
    for (const std::optional<ESecretStoreError> &error : errors) {
        ++operation;
        QVERIFY2(error, qPrintable(QStringLiteral("operation %1 went through").arg(operation)));
        QCOMPARE(error->reason(), reason);
        QVERIFY2(error->message().startsWith(saying), qPrintable(error->message()));
    }
}

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT
    PrivateBus m_bus;
    PrivateKeyring m_keyring;
    // Started when installed; initTestCase fails when it does not start.
    bool m_keyringRuns = false;

private slots:
    void initTestCase()
    {
        // Before the keyring library first looks at the desktop or the bus: it decides both once.
        // Outside a KDE session QtKeychain goes through libsecret to the Secret Service.
        for (const char *name :
             {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION"})
            qunsetenv(name);
        QString why;
        QVERIFY2(m_bus.start(&why), qPrintable(why));
        m_bus.useAsSystemAndSessionBus();
        if (PrivateKeyring::isInstalled()) {
            QVERIFY2(m_keyring.start(m_bus.address(), &why), qPrintable(why));
            m_keyringRuns = true;
        }
    }

    void storeReadReplaceRemove_data();
    void storeReadReplaceRemove();
    void movesKeepTheSecretSomewhere_data();
    void movesKeepTheSecretSomewhere();
    void movesThroughTheKeyring();
    void lockedKeyringSaysSo();
    void noKeyringServiceSaysSo();
};

void TestKeyring::storeReadReplaceRemove_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::newRow("text") << QByteArray("hunter2");
    QTest::newRow("NUL and non-ASCII bytes") << QByteArray("p\0w\xff\xfe\x80 p\xc3\xa4ss\n", 12);
    QTest::newRow("empty") << QByteArray("");
}

void TestKeyring::storeReadReplaceRemove()
{
    if (!m_keyringRuns)
        QSKIP(NoDaemon);
    QFETCH(QByteArray, secret);
    SecretStore &keyring = SecretStore::keyring();
    const QString key = QStringLiteral("Home/%1").arg(QString::fromLatin1(QTest::currentDataTag()));
    const QString other = QStringLiteral("Work");

    QCOMPARE(syncWait(keyring.read(key)), std::nullopt);
    syncWait(keyring.write(key, QByteArrayLiteral("first")));
    syncWait(keyring.write(other, QByteArrayLiteral("other account")));
    syncWait(keyring.write(key, secret));
    QCOMPARE(syncWait(keyring.read(key)), std::optional<QByteArray>(secret));

    syncWait(keyring.remove(key));
    QCOMPARE(syncWait(keyring.read(key)), std::nullopt);
    // Removing again finds nothing, which is fine; the other key was never touched.
    syncWait(keyring.remove(key));
    QCOMPARE(syncWait(keyring.read(other)), std::optional<QByteArray>("other account"));
    syncWait(keyring.remove(other));
}

void TestKeyring::movesKeepTheSecretSomewhere_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("fileFails");
    QTest::addColumn<bool>("moved");
    QTest::newRow("both ways") << false << false << true;
    QTest::newRow("keyring locked") << true << false << false;
    QTest::newRow("file not written") << false << true << false;
}

// On the fake: each side is looked at while the other is being changed.
void TestKeyring::movesKeepTheSecretSomewhere()
{
    QFETCH(bool, locked);
    QFETCH(bool, fileFails);
    QFETCH(bool, moved);
    FakeSecretStore keyring;
    const QString key = QStringLiteral("Home");
    const QByteArray secret("s\0cret", 6);
    std::optional<QByteArray> file = secret;

    keyring.setLocked(locked);
    const auto toKeyring = errorOf([&] {
        syncWait(moveToKeyring(key, secret, [&] {
            QCOMPARE(keyring.secrets().value(key), secret);
            file.reset();
        }));
    });
    QCOMPARE(toKeyring.has_value(), locked);
    QCOMPARE(file.has_value(), locked);
    if (locked) {
        QCOMPARE(toKeyring->reason(), Reason::Locked);
        QVERIFY(keyring.secrets().isEmpty());
        return;
    }

    QByteArray taken;
    try {
        taken = syncWait(takeFromKeyring(key, [&](const QByteArray &value) {
            QVERIFY(keyring.secrets().contains(key));
            if (fileFails)
                throw EGeneralError(QStringLiteral("disk full"));
            file = value;
        }));
    } catch (const EGeneralError &error) {
        QVERIFY(fileFails);
        QCOMPARE(error.message(), QStringLiteral("disk full"));
    }
    QCOMPARE(keyring.secrets().contains(key), !moved);
    QCOMPARE(file, moved ? std::optional<QByteArray>(secret) : std::nullopt);
    QCOMPARE(taken, moved ? secret : QByteArray());
}

void TestKeyring::movesThroughTheKeyring()
{
    if (!m_keyringRuns)
        QSKIP(NoDaemon);
    const QString key = QStringLiteral("Moving");
    const QByteArray secret("\x01m\0ve\xe2\x82\xac", 9);
    bool forgotten = false;
    syncWait(moveToKeyring(key, secret, [&] { forgotten = true; }));
    QVERIFY(forgotten);
    QCOMPARE(syncWait(SecretStore::keyring().read(key)), std::optional<QByteArray>(secret));

    QByteArray kept;
    QCOMPARE(syncWait(takeFromKeyring(key, [&](const QByteArray &value) { kept = value; })), secret);
    QCOMPARE(kept, secret);
    QCOMPARE(syncWait(SecretStore::keyring().read(key)), std::nullopt);
}

// A locked keyring asks for its password through a prompt, which nobody here can answer: each
// operation has to fail with the reason rather than wait, and reading must not pass off the
// locked secret as missing.
void TestKeyring::lockedKeyringSaysSo()
{
    if (!m_keyringRuns)
        QSKIP(NoDaemon);
    SecretStore &keyring = SecretStore::keyring();
    const QString key = QStringLiteral("Locked away");
    syncWait(keyring.write(key, QByteArrayLiteral("secret")));
    QString why;
    QVERIFY2(m_keyring.lock(&why), qPrintable(why));

    const QString fresh = QStringLiteral("Fresh");
    const QByteArray secret("new");
    expectFailures({errorOf([&] { syncWait(keyring.read(key)); }),
                    errorOf([&] { syncWait(keyring.write(key, secret)); }),
                    errorOf([&] { syncWait(keyring.write(fresh, secret)); }),
                    errorOf([&] { syncWait(keyring.remove(key)); })},
                   Reason::Locked, QStringLiteral("The keyring is locked"));
}

void TestKeyring::noKeyringServiceSaysSo()
{
    QString why;
    QVERIFY2(m_keyring.stop(&why), qPrintable(why));
    SecretStore &keyring = SecretStore::keyring();
    const QString key = QStringLiteral("Home");
    expectFailures({errorOf([&] { syncWait(keyring.read(key)); }),
                    errorOf([&] { syncWait(keyring.write(key, QByteArrayLiteral("secret"))); }),
                    errorOf([&] { syncWait(keyring.remove(key)); })},
                   Reason::NoService, QStringLiteral("No keyring is available"));
}

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
