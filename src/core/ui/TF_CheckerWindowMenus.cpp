// The main popup menu, the hidden buttons and the account commands.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "core/TSilent.h"
#include "net/TNMPOP3.h"
#include "platform/CommandLines.h"
#include "platform/DefaultHandlers.h"
#include "platform/ProcessLauncher.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "platform/Log.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

void TF_CheckerWindow::createMainMenu()
{
    PopupMenu6 = new QMenu(this);
    PopupMenu6->setObjectName(QStringLiteral("PopupMenu6"));
    auto add = [this](QMenu *menu, const QString &caption, const char *name, auto slot) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [slot] { runSilently(slot); });
        return a;
    };
    Preferences2 = add(PopupMenu6, QStringLiteral("&Preferences..."), "Preferences2", [this] { Button2Click(); });
    MailListmenu1 = add(PopupMenu6, QStringLiteral("&Mail List..."), "MailListmenu1", [this] { MailListmenu1Click(); });
    CheckforUpdate1 = add(PopupMenu6, QStringLiteral("Check for &Update..."), "CheckforUpdate1", [this] {
        if (m_update) {
            m_update->show();
            m_update->raise();
        }
    });
    About1 = add(PopupMenu6, QStringLiteral("&About..."), "About1", [this] {
        if (m_about) {
            m_about->show();
            m_about->raise();
        }
    });
    PopupMenu6->addSeparator()->setObjectName(QStringLiteral("N1"));
    Floating1 = add(PopupMenu6, QStringLiteral("&Floating"), "Floating1", [this] { Floating1Click(); });
    Floating1->setCheckable(true);
    AlwaysonTop1 = add(PopupMenu6, QStringLiteral("Always on &Top"), "AlwaysonTop1", [this] { AlwaysonTop1Click(); });
    AlwaysonTop1->setCheckable(true);
    AlwaysonTop1->setChecked(true);
    SetPosition1 = PopupMenu6->addMenu(QStringLiteral("&Save Window Position"));
    SetPosition1->setObjectName(QStringLiteral("SetPosition1"));
    default1 = add(SetPosition1, QStringLiteral("Make &Default Pos"), "default1", [this] { default1Click(); });
    alternate1 = add(SetPosition1, QStringLiteral("Make &Alternative Pos"), "alternate1", [this] { alternate1Click(); });
    SetPosition1->addSeparator();
    Reset1 = add(SetPosition1, QStringLiteral("&Reset Positions"), "Reset1", [this] { Reset1Click(); });
    PopupMenu6->addSeparator()->setObjectName(QStringLiteral("N3"));
    online1 = add(PopupMenu6, QStringLiteral("&Go Offline"), "online1", [this] { online1Click(); });
    Restore1 = add(PopupMenu6, QStringLiteral("&Hide"), "Restore1", [this] { CoolTrayIcon1Click(PopupMenu6); });
    Checkall1 = add(PopupMenu6, QStringLiteral("&Check all"), "Checkall1", [this] { Checkall1Click(); });
    PopupMenu6->setDefaultAction(Checkall1);
    PopupMenu6->addSeparator()->setObjectName(QStringLiteral("N2"));
    Quit1 = add(PopupMenu6, QStringLiteral("E&xit"), "Quit1", [this] { Quit1Click(); });
}

void TF_CheckerWindow::createHiddenButtons()
{
    // Never shown; they carry the same commands as the menu for outside automation and tests.
    auto button = [this](const QString &caption, const QString &hint, auto slot) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("Button_") + caption);
        b->setToolTip(hint);
        b->hide();
        connect(b, &QPushButton::clicked, this, [slot] { runSilently(slot); });
        return b;
    };
    m_buttonC = button(QStringLiteral("C"), QStringLiteral("Check all"), [this] { Button1Click(); });
    m_buttonP = button(QStringLiteral("P"), QStringLiteral("Preferences"), [this] { Button2Click(); });
    m_buttonE = button(QStringLiteral("E"), QStringLiteral("Exit"), [this] { Button3Click(); });
}

void TF_CheckerWindow::Button2Click()
{
    if (!m_prefs)
        return;
    m_prefs->UpdatePrefsControls();
    m_prefs->widget()->show();
    m_prefs->widget()->raise();
}

void TF_CheckerWindow::MailListmenu1Click()
{
    if (m_mailList)
        m_mailList->showAccount(0);
}

void TF_CheckerWindow::MailListClick(int n)
{
    if (m_mailList)
        m_mailList->showAccount(n);
}

void TF_CheckerWindow::PrefsItemClick(int n)
{
    if (m_prefs)
        m_prefs->showAccount(n);
}

void TF_CheckerWindow::LaunchClick(int n)
{
    const TAccountData &d = Accounts.data(n);
    const QString program =
        d.DefaultMailClient != 0
            ? TextBytes::toText(d.CustomMailClientPath)
            : CommandLines::programOf(DefaultHandlers::instance().openCommand(QStringLiteral("mailto")));
    QString commandLine = CommandLines::asWord(program);
    if (QFileInfo(program).fileName().toLower().contains(QLatin1String("netsc")))
        commandLine += QLatin1String(" -mail");
    if (program.trimmed().isEmpty() ||
        !ProcessLauncher::instance().start(commandLine, CommandLines::directoryOf(program))) {
        UserPrompts::instance().message(this, QStringLiteral("Vorlo"),
                                        QStringLiteral("Default Mail Client could not be detected\n\r"
                                                       "Please open your Mail Client manually."),
                                        UserPrompts::Icon::None, {UserPrompts::Button::Ok});
    }
}

void TF_CheckerWindow::ResetConnection(int n)
{
    m_engine->resetConnection(n);
}

void TF_CheckerWindow::ZeroClick(int n)
{
    Accounts.data(n).ZeroBase = Accounts.data(n).MailCount;
    setFieldText(n, QStringLiteral("0"));
}
