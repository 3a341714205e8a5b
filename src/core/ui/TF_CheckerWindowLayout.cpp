// The checker window's fields: creation per slot, the layout pass and the colour sets.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TBevel.h"
#include "core/ui/TCheckerField.h"
#include "core/ui/TCheckerLayout.h"
#include "core/ui/TFormHooks.h"
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
    m_engine->resizeAccounts();
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
        if (!fieldSlot(n).Field)
            createFieldObjects(n);
    if (!AllAccountsItem) {
        AllAccountsItem = new QAction(QStringLiteral("All Accounts"), this);
        AllAccountsItem->setObjectName(QStringLiteral("AllAccountsItem"));
        fieldSlot(0).AccountListItem = AllAccountsItem;
        AccountMenuSeparator = new QAction(this);
        AccountMenuSeparator->setSeparator(true);
    }
    EShowTest();
}

void TF_CheckerWindow::createFieldObjects(int n)
{
    TFieldSlot &s = fieldSlot(n);
    const int p = ppi();

    s.Field = new TCheckerField(m_panel);
    s.Field->setObjectName(QStringLiteral("Field%1").arg(n));
    QFont bold = m_panel->font();
    bold.setBold(true);
    s.Field->setFont(bold);
    connect(s.Field, &TCheckerField::doubleClicked, this, [this, field = s.Field] { runSilently([&] { fieldDoubleClicked(field); }); });

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
    auto bind = [this](QAction *a, QAction *TFieldSlot::*column, void (TF_CheckerWindow::*command)(int)) {
        connect(a, &QAction::triggered, this, [this, a, column, command] {
            const qint32 account = slotOfItem(column, a);
            if (account > 0)
                runSilently([&] { (this->*command)(account); });
        });
    };
    bind(s.CheckNowItem, &TFieldSlot::CheckNowItem, &TF_CheckerWindow::checkNow);
    bind(s.LaunchItem, &TFieldSlot::LaunchItem, &TF_CheckerWindow::LaunchClick);
    bind(s.ResetItem, &TFieldSlot::ResetItem, &TF_CheckerWindow::ResetConnection);
    bind(s.ZeroItem, &TFieldSlot::ZeroItem, &TF_CheckerWindow::ZeroClick);
    bind(s.MailListItem, &TFieldSlot::MailListItem, &TF_CheckerWindow::MailListClick);
    bind(s.PrefsItem, &TFieldSlot::PrefsItem, &TF_CheckerWindow::PrefsItemClick);
    s.Field->setPopupMenu(s.FieldMenu);

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
        if (fieldSlot(i).Field && Accounts.data(i).Show)
            visible.append(i);
    const TCheckerLayout::Result layout = TCheckerLayout::compute(Metrics, p, qint32(visible.size()));

    for (qint32 i = 1; i <= Accounts.slotCapacity(); ++i) {
        TCheckerField *field = fieldSlot(i).Field;
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
    return fieldSlot(index).Field;
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
        TCheckerField *field = fieldSlot(n).Field;
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
    QString tip = d.LastError.isEmpty() ? title : title + QLatin1Char('\n') + d.LastError;
    if (d.WaitingForNetwork)
        tip += QStringLiteral("\nwaiting for the network");
    field->setToolTip(tip);
}
