#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "core/TSilent.h"
#include "platform/GeneralError.h"
#include "settings/TIniFile.h"
#include "platform/ui/DialogPrompts.h"
#include "platform/InstanceMarker.h"
#include "platform/Platform.h"
#include "platform/SettingsDirectory.h"
#include "platform/Log.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

TF_CheckerWindow::TF_CheckerWindow(const QStringList &arguments, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      m_engine(new TCheckEngine(this)), Accounts(m_engine->Accounts), Options(m_engine->Options),
      Filters(m_engine->Filters), Quitting(m_engine->Quitting), SettingsDir(m_engine->SettingsDir),
      m_arguments(arguments)
{
    // A windowed program asks its questions in dialogs.
    DialogPrompts::install();
    setObjectName(QStringLiteral("F_CheckerWindow"));
    setWindowTitle(QStringLiteral("Vorlo"));

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setAutoFillBackground(true);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    m_panel->setFont(font);
    m_panel->setMouseTracking(true);
    m_panel->installEventFilter(this);
    setMouseTracking(true);

    m_timer6 = new QTimer(this);
    m_timer6->setObjectName(QStringLiteral("Timer6"));
    m_timer6->setInterval(300);
    connect(m_timer6, &QTimer::timeout, this, &TF_CheckerWindow::Timer6Timer);

    connect(m_engine, &TCheckEngine::checkStarted, this, [this] { startBlinkTimer(); });
    connect(m_engine, &TCheckEngine::accountFailed, this, [this](int n) { setFieldColor(n, Colors.Error); });
    connect(m_engine, &TCheckEngine::checkFinished, this, &TF_CheckerWindow::checkEnded);
    connect(m_engine, &TCheckEngine::summaryChanged, this, &TF_CheckerWindow::refreshMailList);
    connect(m_engine, &TCheckEngine::checkQuietlyEnded, this, &TF_CheckerWindow::checkQuietlyEnded);

    createMainMenu();
    createHiddenButtons();
    FormActivate();
}

TF_CheckerWindow::~TF_CheckerWindow() = default;

TFieldSlot &TF_CheckerWindow::fieldSlot(qint32 n)
{
    if (m_fields.size() <= n)
        m_fields.resize(qMax(qsizetype(n) + 1, qsizetype(Accounts.slotCapacity()) + 1));
    return m_fields[n];
}

const TFieldSlot &TF_CheckerWindow::fieldSlot(qint32 n) const
{
    static const TFieldSlot none;
    return n < m_fields.size() ? m_fields[n] : none;
}

qint32 TF_CheckerWindow::slotOfField(const QObject *field) const
{
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
        if (field && fieldSlot(n).Field == field)
            return n;
    return 0;
}

qint32 TF_CheckerWindow::slotOfItem(QAction *TFieldSlot::*member, const QObject *item) const
{
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
        if (item && fieldSlot(n).*member == item)
            return n;
    return 0;
}

void TF_CheckerWindow::setTrayIcon(ITrayIcon *tray)
{
    m_tray = tray;
}

void TF_CheckerWindow::setMailList(IMailListView *mailList)
{
    m_mailList = mailList;
}

void TF_CheckerWindow::setPrefs(IPrefsView *prefs)
{
    m_prefs = prefs;
}

void TF_CheckerWindow::setTransparency(ITransparency *transparency)
{
    m_transparency = transparency;
}

void TF_CheckerWindow::FormActivate()
{
    // Marks a running copy for outside tools; another copy starts all the same.
    m_marker = std::make_unique<InstanceMarker>(QStringLiteral("Vorlo_Mutex"));
    Quitting = false;
    SettingsDir.clear();
    AddMenuRequest = false;
    InstanceName = QStringLiteral("prefs.dat");
    try {
        comandlinebefore();
        // Chosen only without "-d", so naming a directory never creates the default one.
        if (SettingsDir.isEmpty())
            SettingsDir = SettingsDirectory::defaultDir();
        // The default sound paths and the read-me and FAQ entries point into this directory.
        SettingsDirectory::copyMissingDefaults(SettingsDir);
        EShowTest();
        {
            TIniFile ini(settingsFileName());
            readSettings(ini);
        }
        moveToDefault();
        comandlineafter();
        CoolTrayIcon1Click(this);
        applyTransparency();
    } catch (...) {
        qCDebug(lcUi) << "start-up step failed:" << Log::currentError();
        // A failed start-up step ends the sequence silently; the window still shows.
        show();
    }
}

void TF_CheckerWindow::comandlinebefore()
{
    const QStringList &args = m_arguments;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (args.at(i) == QLatin1String("-d")) {
            // No value keeps the settings directory: an empty one would mean the file system root.
            if (!value.isEmpty())
                SettingsDir = Platform::stripOneTrailingSeparator(value);
        }
        if (args.at(i) == QLatin1String("-prefs"))
            InstanceName = value;
        if (args.at(i) == QLatin1String("-addmenu"))
            AddMenuRequest = true;
    }
}

namespace {
qint32 toIntegerOrThrow(const QString &text)
{
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    if (!ok)
        throw EGeneralError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}
} // namespace

void TF_CheckerWindow::comandlineafter()
{
    const QStringList &args = m_arguments;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (args.at(i) == QLatin1String("-offline") && isOnline())
            online1Click();
        if (args.at(i) == QLatin1String("-y")) {
            const qint32 y = toIntegerOrThrow(value);
            move(x(), y);
            Options.defaultY = y;
        }
        if (args.at(i) == QLatin1String("-x")) {
            const qint32 x = toIntegerOrThrow(value);
            move(x, this->y());
            Options.defaultX = x;
        }
    }
}

void TF_CheckerWindow::closeEvent(QCloseEvent *event)
{
    // FormCloseQuery: every close is allowed and runs the exit procedure.
    event->accept();
    Button3Click();
}

void TF_CheckerWindow::Quit1Click()
{
    close();
}

void TF_CheckerWindow::Button3Click()
{
    if (m_exitDone)
        return;
    m_exitDone = true;
    Quitting = true;
    try {
        saveSettings();
    } catch (...) {
        qCDebug(lcSettings) << "settings not saved at exit:" << Log::currentError();
        // An unwritable file must not keep the program from ending.
    }
    m_engine->shutdown();
    clearMask();
    emit exiting();
    QCoreApplication::quit();
}

void TF_CheckerWindow::finishStartup()
{
    runSilently([this] {
        // The dialog's boxes switch the menu items when they disagree with the settings.
        if (Floating1->isChecked() != Options.Floating) {
            Floating1->setChecked(Options.Floating);
            Floating1Click();
        }
        if (AlwaysonTop1->isChecked() != Options.AlwaysOnTop) {
            AlwaysonTop1->setChecked(Options.AlwaysOnTop);
            AlwaysonTop1Click();
        }
        if (FirstRun) {
            if (m_prefs) {
                m_prefs->UpdatePrefsControls();
                m_prefs->widget()->show();
            }
            saveSettings();
        }
        if (Options.StartHidden)
            CoolTrayIcon1Click(m_prefs ? static_cast<QObject *>(m_prefs->widget()) : PopupMenu6);
    });
}
