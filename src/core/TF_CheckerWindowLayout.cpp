// The checker window's fields: creation per slot, the layout pass and the colour sets.
#include "core/TF_CheckerWindow.h"

#include "core/TBevel.h"
#include "core/TCheckerField.h"
#include "core/TCheckerLayout.h"
#include "core/TFormHooks.h"
#include "core/TSilent.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"
#include "platform/Platform.h"
#include "platform/TextBytes.h"
#include "settings/TIniFile.h"

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QRegion>
#include <QScreen>
#include <QTimer>

int TF_CheckerWindow::ppi() const
{
    return Platform::screenPpi();
}

void TF_CheckerWindow::E_Setlengths()
{
    Accounts.resizeColumns();
    // Only slots that held no account at the last resize are new. A hidden field is no sign of
    // a freed slot: an account whose Show flag is off has one too, and its settings must stay.
    const qint32 kept = m_resizedCount;
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        TAccountSlot &s = Accounts.slot(n);
        if (n > kept) {
            Accounts.data(n).applyFreedSlotDefaults();
            // The timer of a dropped slot stopped at its first idle tick; the new account needs it.
            if (s.CheckTimer && !s.CheckTimer->isActive())
                s.CheckTimer->start(1000);
        }
        if (!s.Field)
            createSlotObjects(n);
    }
    m_resizedCount = Accounts.AccountCount;
    if (!AllAccountsItem) {
        AllAccountsItem = new QAction(QStringLiteral("All Accounts"), this);
        AllAccountsItem->setObjectName(QStringLiteral("AllAccountsItem"));
        Accounts.slot(0).AccountListItem = AllAccountsItem;
        AccountMenuSeparator = new QAction(this);
        AccountMenuSeparator->setSeparator(true);
    }
    EShowTest();
}

void TF_CheckerWindow::createSlotObjects(int n)
{
    TAccountSlot &s = Accounts.slot(n);
    const int p = ppi();

    s.Field = new TCheckerField(m_panel);
    s.Field->setObjectName(QStringLiteral("Field%1").arg(n));
    QFont bold = m_panel->font();
    bold.setBold(true);
    s.Field->setFont(bold);
    connect(s.Field, &TCheckerField::doubleClicked, this, [this, field = s.Field] { runSilently([&] { fieldDoubleClicked(field); }); });

    s.CheckTimer = new QTimer(this);
    s.CheckTimer->setObjectName(QStringLiteral("CheckTimer%1").arg(n));
    // Each account's period is Timer + 10 ms per slot: coarse timers would round that away
    // and tick every account in the same pass.
    s.CheckTimer->setTimerType(Qt::PreciseTimer);
    connect(s.CheckTimer, &QTimer::timeout, this, [this, timer = s.CheckTimer] { runSilently([&] { checkTimerTimer(timer); }); });

    s.Pop3 = new TNMPOP3(this);
    s.Pop3->setObjectName(QStringLiteral("Pop3_%1").arg(n));
    // Sizes are attributed by the client that reports them, so two accounts listing at the
    // same time each get their own.
    s.Pop3->OnList = [this, client = s.Pop3](qint32 msg, qint32 size) {
        const qint32 account = Accounts.slotOfPop3(client);
        if (account > 0 && Accounts.slot(account).MailSummary)
            appendSize(*Accounts.slot(account).MailSummary, msg, size);
    };
    s.Pop3->OnRetrieveEnd = [this](QObject *sender) { summaryHandler(sender); };

    s.FieldMenu = new QMenu(this);
    s.FieldMenu->setObjectName(QStringLiteral("FieldMenu%1").arg(n));
    auto item = [&](const QString &caption, const char *name) {
        QAction *a = s.FieldMenu->addAction(caption);
        a->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(n));
        return a;
    };
    s.CheckNowItem = item(QStringLiteral("Check Now"), "CheckNowItem");
    s.FieldMenu->setDefaultAction(s.CheckNowItem);
    s.LaunchItem = item(QStringLiteral("Launch Email Client"), "LaunchItem");
    s.ResetItem = item(QStringLiteral("Reset Connection"), "ResetItem");
    s.ZeroItem = item(QStringLiteral("Set MailCount to Zero"), "ZeroItem");
    s.MailListItem = item(QStringLiteral("Email List..."), "MailListItem");
    s.MailListItem->setEnabled(Accounts.data(n).List);
    // The account's own way into its settings: the preferences open on this account. It goes
    // below the account commands, after a separator, so their order stays as users know it.
    s.FieldMenu->addSeparator();
    s.PrefsItem = item(QStringLiteral("Preferences..."), "PrefsItem");
    // Every command finds its account by the item, so it follows the data after a deletion.
    auto bind = [this](QAction *a, QAction *TAccountSlot::*column, void (TF_CheckerWindow::*command)(int)) {
        connect(a, &QAction::triggered, this, [this, a, column, command] {
            const qint32 account = Accounts.slotOfItem(column, a);
            if (account > 0)
                runSilently([&] { (this->*command)(account); });
        });
    };
    bind(s.CheckNowItem, &TAccountSlot::CheckNowItem, &TF_CheckerWindow::checkNow);
    bind(s.LaunchItem, &TAccountSlot::LaunchItem, &TF_CheckerWindow::LaunchClick);
    bind(s.ResetItem, &TAccountSlot::ResetItem, &TF_CheckerWindow::ResetConnection);
    bind(s.ZeroItem, &TAccountSlot::ZeroItem, &TF_CheckerWindow::ZeroClick);
    bind(s.MailListItem, &TAccountSlot::MailListItem, &TF_CheckerWindow::MailListClick);
    bind(s.PrefsItem, &TAccountSlot::PrefsItem, &TF_CheckerWindow::PrefsItemClick);
    s.Field->setPopupMenu(s.FieldMenu);

    s.MailSummary = std::make_shared<TMailSummary>();
    s.CheckTimer->start(1000);

    s.AccountListItem = new QAction(TextBytes::toText(Accounts.data(n).Name), this);
    s.AccountListItem->setObjectName(QStringLiteral("AccountListItem%1").arg(n));
    if (m_mailList)
        m_mailList->rebuildAccountMenu();

    // A window at the right screen edge grows to the left as fields are added.
    const qint32 w = TCheckerLayout::scale(p, Metrics.CheckerWidth);
    const qint32 h = TCheckerLayout::scale(p, Metrics.HSpace);
    if (Platform::screenSize().width() < w + width() + Options.defaultX + h)
        Options.defaultX = x() - w - h;
    move(Options.defaultX, y());
}

void TF_CheckerWindow::EShowTest()
{
    const int p = ppi();
    QList<int> visible;
    for (qint32 i = 1; i <= Accounts.AccountCount; ++i)
        if (Accounts.slot(i).Field && Accounts.data(i).Show)
            visible.append(i);
    const TCheckerLayout::Result layout = TCheckerLayout::compute(Metrics, p, qint32(visible.size()));

    for (qint32 i = 1; i <= Accounts.slotCapacity(); ++i) {
        TCheckerField *field = Accounts.slot(i).Field;
        if (!field)
            continue;
        const qsizetype k = visible.indexOf(i);
        if (i <= Accounts.AccountCount && k >= 0) {
            field->setGeometry(layout.fields.at(k));
            QFont f = field->font();
            f.setPointSize(qMax(1, Metrics.FontSize));
            field->setFont(f);
            field->show();
        } else {
            field->hide();
        }
    }
    SetColorSet();

    setFixedSize(layout.window);
    m_panel->setGeometry(0, 0, layout.window.width(), layout.window.height());
    // Rounded ends whose ellipse is as high as the window, or the plain rectangle; the new
    // region replaces the old one and the window is redrawn with it.
    setMask(TCheckerLayout::windowRegion(layout));
    update();
}

TCheckerField *TF_CheckerWindow::EShowVar(int index) const
{
    if (index < 1 || index > Accounts.slotCapacity())
        return nullptr;
    return Accounts.slot(index).Field;
}

void TF_CheckerWindow::SetColorSet()
{
    QPalette palette = m_panel->palette();
    palette.setColor(QPalette::Window, TCheckerColors::toQColor(Colors.Back));
    m_panel->setPalette(palette);
    // The windows set with rounded ends has no bevels; otherwise lowered inside, raised outside.
    const bool bevels = Colors.UsesBlueSet || !Metrics.Round;
    m_panel->setProperty("bevelWidth", bevels ? Colors.BorderSize : 0);
    m_panel->update();
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        TCheckerField *field = Accounts.slot(n).Field;
        if (!field)
            continue;
        field->setColorValue(Accounts.data(n).Active ? Colors.Active : Colors.Idle);
        field->setBevelWidth(Colors.BorderSize);
        field->setTextColorValue(Colors.Font);
    }
}

void TF_CheckerWindow::BlueColorSet()
{
    TIniFile ini(settingsFileName());
    const TCheckerColors d = TCheckerColors::blueDefaults();
    Colors.UsesBlueSet = true;
    Colors.BorderSize = ini.readInteger("BlueColorSet", "BorderSize", d.BorderSize);
    Colors.Back = quint32(ini.readInteger("BlueColorSet", "Back", qint32(d.Back)));
    Colors.Active = quint32(ini.readInteger("BlueColorSet", "Active", qint32(d.Active)));
    Colors.Idle = quint32(ini.readInteger("BlueColorSet", "Idle", qint32(d.Idle)));
    Colors.Connected = quint32(ini.readInteger("BlueColorSet", "Connected", qint32(d.Connected)));
    Colors.Error = quint32(ini.readInteger("BlueColorSet", "Error", qint32(d.Error)));
    Colors.Font = quint32(ini.readInteger("BlueColorSet", "Font", qint32(d.Font)));
    SetColorSet();
}

void TF_CheckerWindow::GrayColorSet()
{
    Colors = TCheckerColors::windowsSet();
    SetColorSet();
}

void TF_CheckerWindow::setFieldColor(int n, quint32 color)
{
    if (TCheckerField *field = EShowVar(n))
        field->setColorValue(color);
}

void TF_CheckerWindow::setFieldText(int n, const QString &text)
{
    TCheckerField *field = EShowVar(n);
    if (!field)
        return;
    // Only decimal numbers are shown; a count below the zero base shows "...".
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        return;
    field->setText(value < 0 ? QStringLiteral("...") : QString::number(value));
    m_panel->update();
}

void TF_CheckerWindow::updateFieldTooltip(int n)
{
    TCheckerField *field = EShowVar(n);
    if (!field || n > Accounts.AccountCount)
        return;
    const TAccountData &d = Accounts.data(n);
    const QString name = TextBytes::toText(d.Name);
    const QString title = d.PlainText ? name + QStringLiteral(" (not encrypted)") : name;
    field->setToolTip(d.LastError.isEmpty() ? title : title + QLatin1Char('\n') + d.LastError);
}
