// The update check dialog: its form, "Check Now" against a scripted server on loopback,
// the wait, destruction during a request, and "Visit Homepage".
#include "fixtures/ScriptServer.h"
#include "fakes/FixedDefaultHandlers.h"
#include "fakes/RecordingProcessLauncher.h"
#include "fakes/ScriptedUserPrompts.h"
#include "update/TF_Update.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

namespace {

QStringList lines(const QPlainTextEdit *memo)
{
    QStringList out;
    for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

QPlainTextEdit *memo(const TF_Update &d, const char *name)
{
    return d.findChild<QPlainTextEdit *>(QLatin1String(name));
}

QPushButton *button(const TF_Update &d, const char *name)
{
    return d.findChild<QPushButton *>(QLatin1String(name));
}

void pointAt(quint16 port)
{
    qputenv("VORLO_UPDATE_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/pub/upd_16.txt");
}

const QString NoBrowser = QStringLiteral("Default browser cound not be determined\rPlease start your browser "
                                         "manually and visit https://vorlo.example.org/");
const QString NotStarted = QStringLiteral("Browser could not be started\n\rPlease open your browser manually and "
                                          "go to:\n\r \"https://vorlo.example.org/\"");

} // namespace

class TstTF_Update : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void checkNow_data();
    void checkNow();
    void waitKeepsWindowAliveAndRefusesSecondCheck();
    void destroyWhileWaiting();
    void visitHomepage_data();
    void visitHomepage();
    void closeHides();

private:
    QTemporaryDir m_dir;
};

void TstTF_Update::form()
{
    TF_Update d;
    QCOMPARE(d.objectName(), QStringLiteral("F_Update"));
    QCOMPARE(d.windowTitle(), QStringLiteral("Check for Updates"));
    QCOMPARE(d.size(), QSize(551, 351));
    QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(d.findChild<QGroupBox *>("GroupBox1")->title(), QStringLiteral("Information"));
    QCOMPARE(d.findChild<QGroupBox *>("GroupBox2")->title(), QStringLiteral("News and Updates"));
    QVERIFY(d.findChild<QGroupBox *>("GroupBox3"));

    QCOMPARE(lines(memo(d, "Memo1")), QStringList{"Not Connected"});
    const QStringList information = lines(memo(d, "Memo2"));
    QCOMPARE(information.size(), 11);
    QCOMPARE(information.first(),
             QStringLiteral("Click on the <Check Now> button, and Vorlo will automatically find out, if there "));
    QCOMPARE(information.at(4), QString());
    QCOMPARE(information.at(10), QStringLiteral("You may not be able to use this feature if you can access http only "
                                                "through a proxy server."));
    for (const char *name : {"Memo1", "Memo2"}) {
        QVERIFY(memo(d, name)->isReadOnly());
        QVERIFY(!(memo(d, name)->focusPolicy() & Qt::TabFocus));
        QCOMPARE(memo(d, name)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    QCOMPARE(button(d, "Button1")->text(), QStringLiteral("Check Now"));
    QCOMPARE(button(d, "Button1")->toolTip(), QStringLiteral("Check for updates"));
    QCOMPARE(button(d, "Button3")->text(), QStringLiteral("Visit Homepage"));
    QCOMPARE(button(d, "Button3")->toolTip(), QStringLiteral("Visit Vorlo homepage  for downloads of program updates"));
    QCOMPARE(button(d, "Button2")->text(), QStringLiteral("Close"));
    QCOMPARE(button(d, "Button2")->toolTip(), QStringLiteral("Close this window"));

    TNMHTTP *http = d.findChild<TNMHTTP *>("NMHTTP1");
    QVERIFY(http);
    QCOMPARE(http->Port, 80);
    QCOMPARE(http->Body, QByteArray("Default.htm"));
    QCOMPARE(http->Header, QByteArray("Head.txt"));
    QCOMPARE(http->HeaderInfo.LocalProgram, QByteArray("Vorlo"));
    QCOMPARE(http->HeaderInfo.Referer, QByteArray("Vorlo"));
    QVERIFY(http->Proxy.isEmpty());
    // A silent server ends as a failed check.
    QVERIFY(http->TimeOut > 0);
}

void TstTF_Update::checkNow_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: nothing listens on the port
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("notice of several lines")
        << QByteArray("S: HTTP/1.0 200 OK\nS: Content-Type: text/plain\nS:\n"
                      "RAW Vorlo 17 is out.\\r\\nGet it from the home page.\\r\\n")
        << QStringList{"Vorlo 17 is out.", "Get it from the home page."};
    QTest::newRow("empty body") << QByteArray("S: HTTP/1.0 200 OK\nS:") << QStringList{""};
    // An error page is no notice.
    QTest::newRow("404") << QByteArray("S: HTTP/1.0 404 Not Found\nS:\nRAW <html>missing</html>")
                         << QStringList{"Connection failed"};
    QTest::newRow("closed without a reply") << QByteArray("CLOSE") << QStringList{"Connection failed"};
    QTest::newRow("connection refused") << QByteArray() << QStringList{"Connection failed"};
}

void TstTF_Update::checkNow()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, shown);

    ScriptServer server;
    if (script.isEmpty()) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        pointAt(closed.serverPort());
    } else {
        QVERIFY(server.setScript("C*:\n" + script + "\nCLOSE\n"));
        QVERIFY(server.listen());
        pointAt(server.port());
    }
    TF_Update d;
    d.show();
    button(d, "Button1")->click();
    // The request runs on by itself; the button comes back when it has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!d.Checking(), 20000);
    QCOMPARE(lines(memo(d, "Memo1")), shown);
    QVERIFY(button(d, "Button1")->isEnabled());
    if (script.isEmpty())
        return;
    QCOMPARE(server.received(),
             (QByteArrayList{"GET /pub/upd_16.txt HTTP/1.0", "Host: 127.0.0.1",
                             "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff",
                             "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript",
                             "User-Agent: Vorlo", "Referer: Vorlo 16",
                             "Content-type: application/x-www-form-urlencoded", ""}));
}

void TstTF_Update::waitKeepsWindowAliveAndRefusesSecondCheck()
{
    ScriptServer server;
    QVERIFY(server.setScript("C*:\nDELAY 400\nS: HTTP/1.0 200 OK\nS:\nRAW done\nCLOSE\n"));
    QVERIFY(server.listen());
    pointAt(server.port());
    TF_Update d;
    d.show();

    QStringList duringWait;
    bool enabledDuringWait = true;
    QTimer::singleShot(150, &d, [&] {
        duringWait = lines(memo(d, "Memo1"));
        enabledDuringWait = button(d, "Button1")->isEnabled();
        d.Button1Click(); // refused: returns at once
    });
    button(d, "Button1")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!d.Checking(), 20000);

    QCOMPARE(duringWait, (QStringList{"Connecting...", "This could take a few seconds"}));
    QVERIFY(!enabledDuringWait);
    QCOMPARE(server.connectionCount(), 1);
    QCOMPARE(lines(memo(d, "Memo1")), QStringList{"done"});
    QVERIFY(button(d, "Button1")->isEnabled());
}

void TstTF_Update::destroyWhileWaiting()
{
    ScriptServer server;
    QVERIFY(server.setScript("C*:\nHOLD\n"));
    QVERIFY(server.listen());
    pointAt(server.port());
    auto *d = new TF_Update;
    QPointer<TF_Update> dialog(d);
    QPointer<TNMHTTP> http(d->NMHTTP1());
    // As the exit procedure does, from inside the request's wait.
    QTimer::singleShot(150, [d] { delete d; });
    [[maybe_unused]] const QCoro::Task<> request = d->Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(http.isNull(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
}

void TstTF_Update::visitHomepage_data()
{
    QTest::addColumn<QString>("command");        // the http open command; TMP: a folder
    QTest::addColumn<bool>("starts");             // what the launcher answers
    QTest::addColumn<QString>("commandLine");     // empty: nothing is started
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("quoted path with switches") << "\"TMP/web browser\" -osint -url" << true
                                               << "\"TMP/web browser\" \"https://vorlo.example.org/\"" << "TMP"
                                               << QStringList();
    QTest::newRow("path, blank and switch") << "/usr/bin/browse -new-window" << true
                                            << "/usr/bin/browse \"https://vorlo.example.org/\"" << "/usr/bin"
                                            << QStringList();
    QTest::newRow("hyphens inside the name") << "/usr/bin/x-www-browser" << true
                                             << "/usr/bin/x-www-browser \"https://vorlo.example.org/\""
                                             << "/usr/bin" << QStringList();
    QTest::newRow("no browser registered") << "" << true << "" << "" << QStringList{NoBrowser, NoBrowser, NotStarted};
    QTest::newRow("browser cannot be started") << "/usr/bin/browse" << false
                                               << "/usr/bin/browse \"https://vorlo.example.org/\"" << "/usr/bin"
                                               << QStringList{NotStarted};
}

void TstTF_Update::visitHomepage()
{
    QFETCH(QString, command);
    QFETCH(bool, starts);
    QFETCH(QString, commandLine);
    QFETCH(QString, workingDir);
    QFETCH(QStringList, messages);

    QVERIFY(m_dir.isValid());
    const QString tmp = m_dir.path();
    QFile program(tmp + QStringLiteral("/web browser"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();

    FixedDefaultHandlers handlers;
    handlers.setCommand(QStringLiteral("http"), QString(command).replace(QLatin1String("TMP"), tmp));
    RecordingProcessLauncher launcher;
    launcher.setResult(starts);
    ScriptedUserPrompts prompts;
    for (qsizetype i = 0; i < messages.size(); ++i)
        prompts.answerButton(UserPrompts::Button::Ok);

    TF_Update d;
    button(d, "Button3")->click();

    QStringList asked;
    for (const ScriptedUserPrompts::Question &q : prompts.asked())
        asked << q.text;
    QCOMPARE(asked, messages);
    QCOMPARE(prompts.unexpected(), 0);
    if (commandLine.isEmpty()) {
        QVERIFY(launcher.starts().isEmpty());
        return;
    }
    QCOMPARE(launcher.starts().size(), 1);
    QCOMPARE(launcher.starts().first().commandLine, QString(commandLine).replace(QLatin1String("TMP"), tmp));
    QCOMPARE(launcher.starts().first().workingDir, QString(workingDir).replace(QLatin1String("TMP"), tmp));
}

void TstTF_Update::closeHides()
{
    TF_Update d;
    d.show();
    QVERIFY(d.isVisible());
    button(d, "Button2")->click();
    QVERIFY(!d.isVisible());
}

QTEST_MAIN(TstTF_Update)
#include "tst_TF_Update.moc"
