#include "core/FailureReason.h"
#include "core/TCheckEngine.h"
#include "settings/ui/TPrefsSignInGroup.h"

#include <QPointer>
#include "settings/ui/TPrefsAccountsPage.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "platform/GeneralError.h"
#include "platform/Platform.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "settings/TCheckFrequency.h"
#include "settings/ui/TF_Prefs.h"

#include <QAction>
#include <QFileInfo>
#include <QFocusEvent>
#include <QTimer>

namespace {
const QStringList &securityCaptions()
{
    static const QStringList captions = {QStringLiteral("Automatic"), QStringLiteral("TLS"),
                                         QStringLiteral("STARTTLS"), QStringLiteral("None")};
    return captions;
}
} // namespace

const QList<QByteArray> &TPrefsAccountsPage::securityValues()
{
    static const QList<QByteArray> values = {"auto", "tls", "starttls", "none"};
    return values;
}

TPrefsAccountsPage::TPrefsAccountsPage(TF_Prefs &dialog) : m_dialog(dialog), m_ui(dialog.ui())
{
    m_ui.ComboBox7->addItems({QStringLiteral("sec"), QStringLiteral("min")});
    m_ui.MailClientComboBox1->addItems({QStringLiteral("Default Email Client"), QStringLiteral("Custom...")});
    m_ui.SecurityComboBox->addItems(securityCaptions());
    m_ui.LabelAccountName->setBuddy(m_ui.ComboBox6);
    m_ui.LabelHost->setBuddy(m_ui.Edit26);
    m_ui.LabelSecurity->setBuddy(m_ui.SecurityComboBox);
    m_ui.LabelUserID->setBuddy(m_ui.Edit27);
    m_ui.LabelPassword->setBuddy(m_ui.Edit30);
    m_ui.LabelFrequency->setBuddy(m_ui.Edit29);
    m_ui.LabelMailClient->setBuddy(m_ui.MailClientComboBox1);

    connect(m_ui.ComboBox6, &QComboBox::activated, this, [this] { runSilently([this] { ComboBox6Change(); }); });
    connect(m_ui.NewButton1, &QPushButton::clicked, this, [this] { runSilently([this] { NewButton1Click(); }); });
    connect(m_ui.Deletebutton, &QPushButton::clicked, this, [this] { runSilently([this] { DeletebuttonClick(); }); });
    connect(m_ui.CheckBox14, &QCheckBox::toggled, this, [this] { runSilently([this] { CheckBox14Click(); }); });
    connect(m_ui.MailClientComboBox1, &QComboBox::activated, this,
            [this] { runSilently([this] { MailClientComboBox1Change(); }); });
    m_ui.Edit29->installEventFilter(this);

    m_signInGroup = new TPrefsSignInGroup(m_ui.TabSheet9);
    m_ui.layout4->insertWidget(1, m_signInGroup);
    m_signInGroup->onSignIn = [this] { startSignIn(); };
}

namespace {

QCoro::Task<> runSignIn(QPointer<TCheckEngine> engine, QPointer<TPrefsSignInGroup> group, int n, OAuthConfig config)
{
    QString status = QObject::tr("Signed in");
    try {
        co_await engine->signIn(n, std::move(config), OAuthSignIn::defaultOpenUrl());
    } catch (const std::exception &e) {
        status = reasonOf(e);
    }
    if (group)
        group->setSignInStatus(status);
}

} // namespace

void TPrefsAccountsPage::startSignIn()
{
    if (m_editing < 0 || m_editing >= w().Accounts.AccountCount)
        return;
    const int n = m_editing + 1;
    TAccountData &d = w().Accounts.data(n);
    // The sign-in belongs to the settings it was made with.
    m_signInGroup->storeOAuth(d);
    OAuthConfig config;
    try {
        config = TCheckEngine::oauthConfigOf(d);
    } catch (const std::exception &e) {
        m_signInGroup->setSignInStatus(reasonOf(e));
        return;
    }
    m_signInGroup->setSignInStatus(tr("Waiting for the sign-in in your browser..."));
    [[maybe_unused]] const QCoro::Task<> running =
        runSignIn(&w().engine(), m_signInGroup, n, std::move(config));
}

TF_CheckerWindow &TPrefsAccountsPage::w() const
{
    return m_dialog.checker();
}

bool TPrefsAccountsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.Edit29 && event->type() == QEvent::FocusOut) {
        // Only a move of the focus inside the dialog leaves the edit; a message box or another
        // window taking the activation does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            runSilently([this] { Edit29Exit(); });
    }
    return QObject::eventFilter(watched, event);
}

void TPrefsAccountsPage::TabSheet9Show()
{
    m_ui.ComboBox6->clear();
    for (qint32 n = 1; n <= w().Accounts.AccountCount; ++n)
        m_ui.ComboBox6->addItem(TextBytes::toText(w().Accounts.data(n).Name));
    m_ui.ComboBox6->setCurrentIndex(w().Accounts.AccountCount > 0 ? 0 : -1);
    ComboBox6_update_sheet();
}

void TPrefsAccountsPage::showFrequency(qint32 timerMs)
{
    const TCheckFrequency::Shown shown = TCheckFrequency::fromTimer(timerMs);
    m_ui.ComboBox7->setCurrentIndex(shown.unit);
    m_ui.Edit29->setText(QString::number(shown.number));
}

void TPrefsAccountsPage::clearPage()
{
    m_ui.Edit26->clear();
    m_ui.Edit27->clear();
    m_ui.Edit30->clear();
    m_ui.Edit29->clear();
    m_loadedPassword.clear();
    if (m_signInGroup)
        m_signInGroup->clear();
}

void TPrefsAccountsPage::ComboBox6_update_sheet()
{
    const int index = m_ui.ComboBox6->currentIndex();
    if (index < 0 || index >= w().Accounts.AccountCount) {
        clearPage();
        m_editing = -1;
        return;
    }
    const TAccountData &d = w().Accounts.data(index + 1);
    m_ui.Edit26->setText(TextBytes::toText(d.Host));
    m_ui.Edit27->setText(TextBytes::toText(d.UserID));
    m_loadedPassword = TextBytes::toText(d.Password);
    m_ui.Edit30->setText(m_loadedPassword);
    showFrequency(d.Timer);
    m_ui.CheckBox14->setChecked(d.Active);
    CheckBox14Click();
    m_ui.CheckBox15->setChecked(d.Show);
    m_ui.CheckBox1->setChecked(d.List);
    m_ui.SavePwdCheckBox->setChecked(d.SavePwd);
    // A value the list does not offer (a hand-edited file) shows no item and is kept.
    const int client = d.DefaultMailClient;
    m_ui.MailClientComboBox1->setCurrentIndex(client >= 0 && client < m_ui.MailClientComboBox1->count() ? client : -1);
    m_ui.SecurityComboBox->setCurrentIndex(int(securityValues().indexOf(d.Security)));
    m_signInGroup->load(d);
    m_editing = index;
}

void TPrefsAccountsPage::set_ComboBox6_settings()
{
    if (m_editing < 0 || m_editing >= w().Accounts.AccountCount)
        return;
    const qint32 n = m_editing + 1;
    TAccountData &d = w().Accounts.data(n);
    // A value left as shown keeps the file's bytes; an edited one is stored as UTF-8.
    const QByteArray host = TextBytes::fromEdit(d.Host, m_ui.Edit26->text());
    const int securityIndex = m_ui.SecurityComboBox->currentIndex();
    const QByteArray security = securityIndex >= 0 ? securityValues().at(securityIndex) : d.Security;
    // A certificate pinned for one server means nothing for another.
    if (host != d.Host || security != d.Security)
        d.CertFingerprint.clear();
    d.Host = host;
    d.Security = security;
    d.UserID = TextBytes::fromEdit(d.UserID, m_ui.Edit27->text());
    if (m_ui.Edit30->text() != m_loadedPassword) {
        d.Password = m_ui.Edit30->text().toUtf8();
        m_loadedPassword = m_ui.Edit30->text();
    }

    const QString text = m_ui.Edit29->text();
    const std::optional<qint32> number = TCheckFrequency::parseNumber(text);
    if (!number)
        throw EGeneralError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    const auto unit = m_ui.ComboBox7->currentIndex() == TCheckFrequency::Seconds ? TCheckFrequency::Seconds
                                                                                  : TCheckFrequency::Minutes;
    const qint32 bounded = TCheckFrequency::clampNumber(*number, unit);
    if (bounded != *number)
        m_ui.Edit29->setText(QString::number(bounded));
    d.Timer = TCheckFrequency::toTimer(bounded, unit);
    if (QTimer *timer = w().Accounts.slot(n).CheckTimer)
        timer->setInterval(TCheckFrequency::timerInterval(d.Timer, n));
    const TFieldSlot &s = w().fieldSlot(n);

    d.Active = m_ui.CheckBox14->isChecked();
    d.Show = m_ui.CheckBox15->isChecked();
    d.List = m_ui.CheckBox1->isChecked();
    d.SavePwd = m_ui.SavePwdCheckBox->isChecked();
    m_signInGroup->store(d);
    if (s.MailListItem)
        s.MailListItem->setEnabled(d.List);
    if (s.AccountListItem)
        s.AccountListItem->setEnabled(d.List);
    w().updateFieldTooltip(n);
    if (m_ui.MailClientComboBox1->currentIndex() >= 0)
        d.DefaultMailClient = m_ui.MailClientComboBox1->currentIndex();
}

void TPrefsAccountsPage::ComboBox6Change()
{
    if (m_editing >= 0 && m_editing < w().Accounts.AccountCount) {
        try {
            set_ComboBox6_settings();
        } catch (...) {
            m_ui.ComboBox6->setCurrentIndex(m_editing);
            throw EGeneralError(QStringLiteral("You entered at least one illeagal value."));
        }
    }
    ComboBox6_update_sheet();
}

void TPrefsAccountsPage::selectAccount(int n)
{
    if (n < 1 || n > m_ui.ComboBox6->count())
        return;
    m_ui.ComboBox6->setCurrentIndex(n - 1);
    ComboBox6_update_sheet();
}

void TPrefsAccountsPage::NewButton1Click()
{
    if (w().Accounts.AccountCount >= 1)
        set_ComboBox6_settings();
    const std::optional<QString> name =
        UserPrompts::instance().input(&m_dialog, QStringLiteral("Create New Account"),
                                      QStringLiteral("Please enter a name for your new account: "), QString());
    if (!name || name->isEmpty())
        return;
    const qint32 n = w().addAccount(*name);
    TabSheet9Show();
    m_ui.ComboBox6->setCurrentIndex(n - 1);
    ComboBox6_update_sheet();
    m_ui.Edit26->setFocus();
}

void TPrefsAccountsPage::DeletebuttonClick()
{
    if (w().Accounts.AccountCount <= 1) {
        UserPrompts::instance().message(&m_dialog, QStringLiteral("Error"),
                                        QStringLiteral("You must have at least one account!"),
                                        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
        return;
    }
    const int index = m_ui.ComboBox6->currentIndex();
    if (index < 0 || index >= w().Accounts.AccountCount)
        return;
    const UserPrompts::Button answer = UserPrompts::instance().message(
        &m_dialog, QStringLiteral("Confirm"),
        QStringLiteral("Do you really want to delete ") +
            TextBytes::toText(w().Accounts.data(index + 1).Name),
        UserPrompts::Icon::Question, {UserPrompts::Button::Yes, UserPrompts::Button::No});
    if (answer != UserPrompts::Button::Yes)
        return;
    // The question ran the event loop: the count may have changed under it.
    if (index >= w().Accounts.AccountCount || w().Accounts.AccountCount <= 1)
        return;
    w().deleteAccount(index + 1);
    // The page's values belonged to the deleted account.
    m_editing = -1;
    TabSheet9Show();
}

void TPrefsAccountsPage::Edit29Exit()
{
    const std::optional<qint32> number = TCheckFrequency::parseNumber(m_ui.Edit29->text());
    const auto unit = m_ui.ComboBox7->currentIndex() == TCheckFrequency::Seconds ? TCheckFrequency::Seconds
                                                                                  : TCheckFrequency::Minutes;
    if (number) {
        const qint32 bounded = TCheckFrequency::clampNumber(*number, unit);
        if (bounded != *number)
            m_ui.Edit29->setText(QString::number(bounded));
        return;
    }
    const int index = m_ui.ComboBox6->currentIndex();
    if (index >= 0 && index < w().Accounts.AccountCount)
        showFrequency(w().Accounts.data(index + 1).Timer);
    throw EGeneralError(QStringLiteral("Error: That is not a number! Resetting the check frequency..."));
}

void TPrefsAccountsPage::CheckBox14Click()
{
    const bool on = m_ui.CheckBox14->isChecked();
    m_ui.Edit29->setEnabled(on);
    m_ui.ComboBox7->setEnabled(on);
}

void TPrefsAccountsPage::MailClientComboBox1Change()
{
    if (m_ui.MailClientComboBox1->currentIndex() != 1)
        return;
    const QString executables =
        Platform::executableName().endsWith(QLatin1String(".exe")) ? QStringLiteral("*.exe") : QStringLiteral("*");
    const std::optional<QString> chosen = UserPrompts::instance().openFile(
        &m_dialog, QStringLiteral("Browse for Email Client"),
        m_mailClientFile.isEmpty() ? QString() : QFileInfo(m_mailClientFile).path(),
        QStringLiteral("Executables (%1);;All Files (*)").arg(executables));
    if (chosen)
        m_mailClientFile = *chosen;
    const int index = m_ui.ComboBox6->currentIndex();
    if (!m_mailClientFile.isEmpty() && QFileInfo(m_mailClientFile).isFile() && index >= 0
        && index < w().Accounts.AccountCount)
        w().Accounts.data(index + 1).CustomMailClientPath = m_mailClientFile.toUtf8();
}
