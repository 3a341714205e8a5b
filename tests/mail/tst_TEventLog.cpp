#include "mail/TEventLog.h"
#include "platform/ProcessLauncher.h"
#include "platform/UserPrompts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RecordingLauncher : public ProcessLauncher
{
public:
    bool result = true;
    QStringList commands;
    QStringList workingDirs;
    bool start(const QString &commandLine, const QString &workingDir) override
    {
        commands << commandLine;
        workingDirs << workingDir;
        return result;
    }
};

class RecordingPrompts : public UserPrompts
{
public:
    QStringList texts;
    QList<QList<Button>> buttons;
    Button message(QWidget *, const QString &, const QString &text, Icon,
                   const QList<Button> &offered) override
    {
        texts << text;
        buttons << offered;
        return Button::Ok;
    }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    std::optional<QString> password(const QString &) override { return {}; }
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    std::optional<QColor> color(QWidget *, const QColor &) override { return {}; }
};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_TEventLog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingLauncher m_launcher;
    RecordingPrompts m_prompts;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_launcher = RecordingLauncher();
        m_prompts = RecordingPrompts();
        ProcessLauncher::setInstance(&m_launcher);
        UserPrompts::setInstance(&m_prompts);
    }
    void cleanup()
    {
        ProcessLauncher::setInstance(nullptr);
        UserPrompts::setInstance(nullptr);
    }

    void formatRecord_data();
    void formatRecord();
    void appendsRecordsInOrder();
    void unwritableLogIsSilent_data();
    void unwritableLogIsSilent();
    void showLogFile_data();
    void showLogFile();
};

void tst_TEventLog::formatRecord_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("uniqueId");
    QTest::addColumn<QByteArray>("record");

    const QDateTime afternoon(QDate(2026, 3, 7), QTime(14, 5, 9));
    QTest::newRow("the id's CR LF ends the record")
        << "C" << afternoon << QByteArray(" Hello") << QByteArray("UID-17\r\n")
        << QByteArray("7 Mar 2026 14:05:09|Deleted|Home| Hello| a@b.org|12 kB|UID-17\r\n");
    QTest::newRow("an id without a line end gets CR LF")
        << "C" << afternoon << QByteArray(" Hello") << QByteArray("UID-17")
        << QByteArray("7 Mar 2026 14:05:09|Deleted|Home| Hello| a@b.org|12 kB|UID-17\r\n");
    QTest::newRow("a bare LF becomes CR LF")
        << "C" << afternoon << QByteArray(" Hello") << QByteArray("UID-17\n")
        << QByteArray("7 Mar 2026 14:05:09|Deleted|Home| Hello| a@b.org|12 kB|UID-17\r\n");
    QTest::newRow("a bar in the subject stays")
        << "C" << afternoon << QByteArray(" a|b \xC3\xA4") << QByteArray("x\r\n")
        << QByteArray("7 Mar 2026 14:05:09|Deleted|Home| a|b \xC3\xA4| a@b.org|12 kB|x\r\n");
    QTest::newRow("midnight has no time")
        << "C" << QDateTime(QDate(2026, 3, 7), QTime(0, 0)) << QByteArray(" Hello") << QByteArray("x\r\n")
        << QByteArray("7 Mar 2026|Deleted|Home| Hello| a@b.org|12 kB|x\r\n");
    QTest::newRow("a second past midnight has")
        << "C" << QDateTime(QDate(2026, 3, 7), QTime(0, 0, 1)) << QByteArray(" Hello") << QByteArray("x\r\n")
        << QByteArray("7 Mar 2026 00:00:01|Deleted|Home| Hello| a@b.org|12 kB|x\r\n");
    QTest::newRow("the locale's formats, no time zone")
        << "en_US" << afternoon << QByteArray(" Hello") << QByteArray("x\r\n")
        << QByteArray("3/7/26 2:05:09 PM|Deleted|Home| Hello| a@b.org|12 kB|x\r\n");
}

void tst_TEventLog::formatRecord()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QByteArray, subject);
    QFETCH(QByteArray, uniqueId);
    QFETCH(QByteArray, record);
    QCOMPARE(TEventLog::formatRecord(when, QLocale(locale), TEventLog::DeletedEvent, "Home", subject,
                                     " a@b.org", "12 kB", uniqueId),
             record);
}

void tst_TEventLog::appendsRecordsInOrder()
{
    const TEventLog log(m_dir->path());
    QCOMPARE(log.fileName(), m_dir->filePath(QStringLiteral("vorlolog.log")));
    const QDateTime start = QDateTime::currentDateTime();
    log.writeRecord("Deleted", "Home", " first", " a@b", "1 kB", "id1\r\n");
    log.writeRecord("Deleted", "Home", " second", " a@b", "2 kB", "id2\r\n");
    log.writeRecord("Deleted", "Work", " third", " c@d", "3 kB", "id3");
    const QDateTime end = QDateTime::currentDateTime();

    const QList<QByteArray> lines = fileBytes(log.fileName()).split('\n');
    QCOMPARE(lines.size(), 4); // three records and the empty rest after the last line end
    QCOMPARE(lines[3], QByteArray());
    const QByteArrayList tails = {"|Deleted|Home| first| a@b|1 kB|id1\r",
                                  "|Deleted|Home| second| a@b|2 kB|id2\r",
                                  "|Deleted|Work| third| c@d|3 kB|id3\r"};
    for (qsizetype i = 0; i < 3; ++i) {
        const qsizetype bar = lines[i].indexOf('|');
        QCOMPARE(lines[i].sliced(bar), tails[i]);
        // The stamp is the local time of writing, to the second.
        bool stampFound = false;
        for (QDateTime t = start.addMSecs(-start.time().msec()); t <= end && !stampFound; t = t.addSecs(1))
            stampFound = lines[i].first(bar) == TEventLog::formatDateTime(t, QLocale::system()).toUtf8();
        QVERIFY2(stampFound, lines[i].constData());
    }

    // A later log object appends behind what is there.
    TEventLog(m_dir->path()).writeRecord("Deleted", "Home", " fourth", " a@b", "4 kB", "id4\r\n");
    QVERIFY(fileBytes(log.fileName()).endsWith("|Deleted|Home| fourth| a@b|4 kB|id4\r\n"));
    QCOMPARE(fileBytes(log.fileName()).count('\n'), 4);
}

void tst_TEventLog::unwritableLogIsSilent_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the log's name is taken by a directory") << QStringLiteral("directory");
    QTest::newRow("the settings directory is gone") << QStringLiteral("missing");
}

void tst_TEventLog::unwritableLogIsSilent()
{
    QFETCH(QString, kind);
    QString dir = m_dir->path();
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir(dir).mkdir(QStringLiteral("vorlolog.log")));
    else
        dir = m_dir->filePath(QStringLiteral("gone"));
    const TEventLog log(dir);
    log.writeRecord("Deleted", "Home", " s", " f", "1 kB", "id\r\n"); // returns, throws nothing
    QCOMPARE(QFileInfo(log.fileName()).isDir(), kind == QLatin1String("directory"));
    QCOMPARE(QFileInfo::exists(dir + QStringLiteral("/vorlolog.log")), kind == QLatin1String("directory"));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("gone"))));
}

void tst_TEventLog::showLogFile_data()
{
    QTest::addColumn<bool>("logExists");
    QTest::addColumn<bool>("launches");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("message");

    QTest::newRow("opens the log") << true << true << true << QString();
    QTest::newRow("no log yet") << false << true << false << QStringLiteral("There are no logged Events");
    QTest::newRow("viewer cannot start")
        << true << false << false
        << QStringLiteral(
               "Cannot detect external viewer\n\rOpen \"VorloLog.log\" with Notepad to access the log file!");
}

void tst_TEventLog::showLogFile()
{
    QFETCH(bool, logExists);
    QFETCH(bool, launches);
    QFETCH(bool, started);
    QFETCH(QString, message);

    // Blanks and a quote in the path must reach the viewer as one argument.
    const QString dir = m_dir->filePath(QStringLiteral("my \"mail\" settings"));
    QVERIFY(QDir().mkdir(dir));
    const TEventLog log(dir);
    if (logExists)
        log.writeRecord("Deleted", "Home", " s", " f", "1 kB", "id\r\n");
    m_launcher.result = launches;

    QCOMPARE(log.showLogFile(), started);
    QCOMPARE(m_prompts.texts, message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(m_prompts.buttons, QList<QList<UserPrompts::Button>>{{UserPrompts::Button::Ok}});
    if (!logExists) {
        QVERIFY(m_launcher.commands.isEmpty());
        return;
    }
    QCOMPARE(m_launcher.commands.size(), 1);
    QCOMPARE(QProcess::splitCommand(m_launcher.commands[0]),
             (QStringList{QStringLiteral("xdg-open"), log.fileName()}));
    QCOMPARE(m_launcher.workingDirs, QStringList{dir});
}

QTEST_GUILESS_MAIN(tst_TEventLog)
#include "tst_TEventLog.moc"
