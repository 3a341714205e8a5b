#include "platform/ui/DialogPrompts.h"
#include "platform/ui/PasswordDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>

// The real dialogs, run modally and answered from a timer once they are up.
class tst_DialogPrompts : public QObject
{
    Q_OBJECT

private:
    // Runs `drive` on the modal dialog once its exec() loop runs: a zero timer posted
    // before exec() fires inside that loop, when the dialog is shown.
    static void whenModal(std::function<void(QWidget *)> drive)
    {
        QTimer::singleShot(0, qApp, [drive] {
            QWidget *modal = QApplication::activeModalWidget();
            QVERIFY2(modal, "no modal dialog is shown");
            drive(modal);
        });
    }

private slots:
    void passwordDialogLayout()
    {
        QRect dialogRect, frameRect, labelRect, editRect, okRect, cancelRect;
        QString caption, labelText, okText, cancelText;
        bool labelWraps = true, okDefault = false;
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        int echoChar = 0;
        whenModal([&](QWidget *dialog) {
            dialogRect = dialog->geometry();
            frameRect = dialog->frameGeometry();
            caption = dialog->windowTitle();
            auto *label = dialog->findChild<QLabel *>(PasswordDialog::PromptName);
            auto *edit = dialog->findChild<QLineEdit *>(PasswordDialog::EditName);
            auto *ok = dialog->findChild<QPushButton *>(PasswordDialog::OkName);
            auto *cancel = dialog->findChild<QPushButton *>(PasswordDialog::CancelName);
            if (label && edit && ok && cancel) {
                labelRect = label->geometry();
                labelText = label->text();
                labelWraps = label->wordWrap();
                editRect = edit->geometry();
                echo = edit->echoMode();
                echoChar = edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit);
                okRect = ok->geometry();
                okText = ok->text();
                okDefault = ok->isDefault();
                cancelRect = cancel->geometry();
                cancelText = cancel->text();
            }
            dialog->close();
        });
        QCOMPARE(DialogPrompts().password(QStringLiteral("Password for Home:")), std::nullopt);

        QCOMPARE(caption, QStringLiteral("Enter Password"));
        QCOMPARE(dialogRect.size(), QSize(300, 100)); // the client area the widgets are placed in
        const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY2((frameRect.center() - screenCentre).manhattanLength() <= 2, "dialog not centred on the screen");
        QCOMPARE(labelText, QStringLiteral("Password for Home:"));
        QCOMPARE(labelRect.topLeft(), QPoint(8, 16));
        QCOMPARE(labelRect.width(), 201);
        QVERIFY(!labelWraps);
        QCOMPARE(editRect, QRect(8, 40, 201, 21));
        QCOMPARE(echo, QLineEdit::Password);
        QCOMPARE(echoChar, int('*'));
        QCOMPARE(okText, QStringLiteral("OK"));
        QVERIFY(okDefault);
        QCOMPARE(okRect, QRect(224, 8, 67, 24));
        QCOMPARE(cancelText, QStringLiteral("Cancel"));
        QCOMPARE(cancelRect, QRect(224, 40, 67, 24));
    }

    void passwordAnswers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("ok") << "s3cr et" << "ok" << std::optional<QString>(QStringLiteral("s3cr et"));
        QTest::newRow("ok empty") << "" << "ok" << std::optional<QString>(QString());
        QTest::newRow("enter is the default button") << "abc" << "enter" << std::optional<QString>("abc");
        QTest::newRow("cancel") << "abc" << "cancel" << std::optional<QString>();
        QTest::newRow("escape") << "abc" << "escape" << std::optional<QString>();
        QTest::newRow("closed") << "abc" << "close" << std::optional<QString>();
    }

    void passwordAnswers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(std::optional<QString>, expected);
        whenModal([typed, how](QWidget *dialog) {
            auto *edit = dialog->findChild<QLineEdit *>(PasswordDialog::EditName);
            QTest::keyClicks(edit, typed);
            if (how == QLatin1String("ok"))
                QTest::mouseClick(dialog->findChild<QPushButton *>(PasswordDialog::OkName), Qt::LeftButton);
            else if (how == QLatin1String("cancel"))
                QTest::mouseClick(dialog->findChild<QPushButton *>(PasswordDialog::CancelName), Qt::LeftButton);
            else if (how == QLatin1String("enter"))
                QTest::keyClick(edit, Qt::Key_Return);
            else if (how == QLatin1String("escape"))
                QTest::keyClick(edit, Qt::Key_Escape);
            else
                dialog->close();
        });
        QCOMPARE(DialogPrompts().password(QStringLiteral("Password:")), expected);
    }

    void messageReturnsTheClickedButton_data()
    {
        QTest::addColumn<QList<UserPrompts::Button>>("offered");
        QTest::addColumn<int>("click"); // index into offered; -1 closes with Escape
        QTest::addColumn<UserPrompts::Button>("expected");
        using B = UserPrompts::Button;
        QTest::newRow("ok only") << QList<B>{B::Ok} << 0 << B::Ok;
        QTest::newRow("yes of yes/no") << QList<B>{B::Yes, B::No} << 0 << B::Yes;
        QTest::newRow("no of yes/no") << QList<B>{B::Yes, B::No} << 1 << B::No;
        QTest::newRow("escape on ok/cancel") << QList<B>{B::Ok, B::Cancel} << -1 << B::Cancel;
        QTest::newRow("nothing offered means ok") << QList<B>{} << 0 << B::Ok;
    }

    void messageReturnsTheClickedButton()
    {
        QFETCH(QList<UserPrompts::Button>, offered);
        QFETCH(int, click);
        QFETCH(UserPrompts::Button, expected);
        QString shownText;
        whenModal([&shownText, click](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close();
                return;
            }
            shownText = box->text();
            if (click < 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->buttons().value(click)->click();
        });
        const UserPrompts::Button answer = DialogPrompts().message(
            nullptr, QStringLiteral("Vorlo"), QStringLiteral("Delete?"), UserPrompts::Icon::Question, offered);
        QCOMPARE(shownText, QStringLiteral("Delete?"));
        QCOMPARE(answer, expected);
    }

    void fileFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pair") << "Wave-Datei|*.wav" << "Wave-Datei (*.wav)";
        QTest::newRow("two pairs, patterns")
            << "Sounds|*.wav;*.snd|All|*" << "Sounds (*.wav *.snd);;All (*)";
        QTest::newRow("qt form unchanged") << "Sounds (*.wav)" << "Sounds (*.wav)";
        QTest::newRow("empty") << "" << "";
    }

    void fileFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(DialogPrompts::qtFileFilter(filter), expected);
    }
};

QTEST_MAIN(tst_DialogPrompts)
#include "tst_DialogPrompts.moc"
