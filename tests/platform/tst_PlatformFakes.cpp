#include "fakes/FixedDefaultHandlers.h"
#include "fakes/FolderShellLinks.h"
#include "fakes/RecordingProcessLauncher.h"
#include "fakes/RecordingSoundPlayer.h"
#include "fakes/ScriptedUserPrompts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The fakes other tests answer prompts and observe the system through.
class tst_PlatformFakes : public QObject
{
    Q_OBJECT

private slots:
    void scriptedPromptsAnswerInOrderAndRecord()
    {
        using B = UserPrompts::Button;
        ScriptedUserPrompts prompts;
        QCOMPARE(&UserPrompts::instance(), &prompts);
        prompts.answerButton(B::No);
        prompts.answerText(QStringLiteral("Work"));
        prompts.answerText(QString());
        prompts.answerCancel();
        prompts.answerColor(QColor(1, 2, 3));

        UserPrompts &ui = UserPrompts::instance();
        QCOMPARE(ui.message(nullptr, QStringLiteral("Vorlo"), QStringLiteral("Really?"), UserPrompts::Icon::Question,
                            {B::Yes, B::No}),
                 B::No);
        QCOMPARE(ui.input(nullptr, QStringLiteral("Create New Account"), QStringLiteral("Name: "), QString()),
                 std::optional<QString>(QStringLiteral("Work")));
        QCOMPARE(ui.password(QStringLiteral("Password for Work")), std::optional<QString>(QString()));
        QCOMPARE(ui.openFile(nullptr, QStringLiteral("New Mail Sound"), QStringLiteral("/snd"),
                             QStringLiteral("Wave-Datei|*.wav")),
                 std::nullopt);
        QCOMPARE(ui.color(nullptr, Qt::red), std::optional<QColor>(QColor(1, 2, 3)));

        QCOMPARE(prompts.unexpected(), 0);
        QCOMPARE(prompts.pendingAnswers(), 0);
        const QList<ScriptedUserPrompts::Question> &asked = prompts.asked();
        QCOMPARE(asked.size(), 5);
        QCOMPARE(asked[0].kind, ScriptedUserPrompts::Kind::Message);
        QCOMPARE(asked[0].text, QStringLiteral("Really?"));
        QCOMPARE(asked[0].icon, UserPrompts::Icon::Question);
        QCOMPARE(asked[0].buttons, (QList<B>{B::Yes, B::No}));
        QCOMPARE(asked[1].caption, QStringLiteral("Create New Account"));
        QCOMPARE(asked[2].kind, ScriptedUserPrompts::Kind::Password);
        QCOMPARE(asked[2].text, QStringLiteral("Password for Work"));
        QCOMPARE(asked[3].initial, QStringLiteral("/snd"));
        QCOMPARE(asked[3].filter, QStringLiteral("Wave-Datei|*.wav"));
        QCOMPARE(asked[4].initialColor, QColor(Qt::red));
    }

    void scriptedPromptsFlagMissingAndWrongAnswers()
    {
        using B = UserPrompts::Button;
        ScriptedUserPrompts prompts;
        prompts.answerText(QStringLiteral("not a button"));
        prompts.answerButton(B::Yes); // not offered below
        // Unanswered questions get the mildest answer, so a test never hangs or picks "Yes".
        QCOMPARE(prompts.message(nullptr, {}, {}, UserPrompts::Icon::None, {B::Yes, B::No}), B::No);
        QCOMPARE(prompts.message(nullptr, {}, {}, UserPrompts::Icon::None, {B::Ok, B::Cancel}), B::Cancel);
        QCOMPARE(prompts.message(nullptr, {}, {}, UserPrompts::Icon::None, {B::Ok}), B::Ok);
        QCOMPARE(prompts.password(QStringLiteral("p")), std::nullopt);
        QCOMPARE(prompts.unexpected(), 4);
        QCOMPARE(prompts.asked().size(), 4);
    }

    void fakesUninstallThemselves()
    {
        UserPrompts *real = &UserPrompts::instance();
        {
            ScriptedUserPrompts prompts;
            QVERIFY(&UserPrompts::instance() != real);
        }
        QCOMPARE(&UserPrompts::instance(), real);
    }

    void recordingLauncher()
    {
        RecordingProcessLauncher launcher;
        QVERIFY(ProcessLauncher::instance().start(QStringLiteral("mail -compose"), QStringLiteral("/opt")));
        launcher.setResult(false);
        QVERIFY(!ProcessLauncher::instance().start(QStringLiteral("other"), QString()));
        QCOMPARE(launcher.starts().size(), 2);
        QCOMPARE(launcher.starts()[0].commandLine, QStringLiteral("mail -compose"));
        QCOMPARE(launcher.starts()[0].workingDir, QStringLiteral("/opt"));
    }

    void fixedHandlers()
    {
        FixedDefaultHandlers handlers;
        handlers.setCommand(QStringLiteral("mailto"), QStringLiteral("\"/opt/mail\" -compose"));
        QCOMPARE(DefaultHandlers::instance().openCommand(QStringLiteral("MAILTO")),
                 QStringLiteral("\"/opt/mail\" -compose"));
        QCOMPARE(DefaultHandlers::instance().openCommand(QStringLiteral("http")), QString());
    }

    void recordingSoundPlayer()
    {
        QTemporaryDir dir;
        const QString present = dir.filePath(QStringLiteral("Ding.wav"));
        QFile file(present);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        RecordingSoundPlayer player;
        QVERIFY(SoundPlayer::instance().playToEnd(present));
        QVERIFY(!SoundPlayer::instance().playToEnd(dir.filePath(QStringLiteral("missing.wav"))));
        player.setResult(false);
        QVERIFY(!SoundPlayer::instance().playToEnd(present));
        QCOMPARE(player.plays().size(), 3);
        QCOMPARE(player.plays().constFirst(), present);
    }

    void folderShellLinks()
    {
        QTemporaryDir dir;
        FolderShellLinks links(dir.path());
        ShellLinks::Link link{QStringLiteral("Vorlo"), QStringLiteral("/s/vorlo"), QStringLiteral(" -prefs prefs.dat"),
                              QStringLiteral("/s"), false};
        QVERIFY(ShellLinks::instance().create(ShellLinks::Folder::Programs, QStringLiteral("Vorlo"), link));
        QFile file(dir.filePath(QStringLiteral("Programs/Vorlo/Vorlo.link")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("Target=/s/vorlo\nArguments= -prefs prefs.dat\nWorkingDir=/s\nDocument=0\n"));
        QCOMPARE(links.folderPath(ShellLinks::Folder::Startup), dir.filePath(QStringLiteral("Startup")));
        QCOMPARE(links.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_PlatformFakes)
#include "tst_PlatformFakes.moc"
