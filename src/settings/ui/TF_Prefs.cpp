#include "core/TCheckEngine.h"
#include "settings/ui/TF_Prefs.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "settings/ui/TPrefsAccountsPage.h"
#include "settings/ui/TPrefsFilterEditor.h"
#include "settings/ui/TPrefsGeneralPage.h"
#include "settings/ui/TPrefsSoundPage.h"
#include "settings/ui/TPrefsVisualPage.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

TF_Prefs::TF_Prefs(TF_CheckerWindow &checker, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_ui(std::make_unique<Ui::TF_Prefs>()), m_checker(&checker)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("F_Prefs"));
    setModal(false);

    m_accounts = std::make_unique<TPrefsAccountsPage>(*this);
    m_sound = std::make_unique<TPrefsSoundPage>(*this);
    m_general = std::make_unique<TPrefsGeneralPage>(*this);
    m_visual = std::make_unique<TPrefsVisualPage>(*this);
    m_filters = std::make_unique<TPrefsFilterEditor>(*this);

    connect(m_ui->SaveButton, &QPushButton::clicked, this, [this] { runSilently([this] { SaveButtonClick(); }); });
    connect(m_ui->Button11, &QPushButton::clicked, this, [this] { runSilently([this] { Button11Click(); }); });
    connect(m_ui->PageControl1, &QTabWidget::currentChanged, this, [this] { runSilently([this] { pageChanged(); }); });

    m_checker->setPrefs(this);
    runSilently([this] { FormCreate(); });
}

TF_Prefs::~TF_Prefs()
{
    m_destroying = true;
    if (m_checker && m_checker->prefs() == this)
        m_checker->setPrefs(nullptr);
}

void TF_Prefs::FormCreate()
{
    TF_CheckerWindow &w = checker();
    m_sound->setItemIndex(w.Options.SoundItemIndex);
    // Translucency is offered only where the desktop can show it.
    m_ui->AlphaCheckBox->setEnabled(w.transparencyOffered());
    m_ui->AlphaSlider->setEnabled(w.transparencyOffered() && w.Options.Transparency);

    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet9);
    m_currentPage = m_ui->TabSheet9;
    m_accounts->TabSheet9Show();

    // Floating and always-on-top take effect through the check boxes, a first run shows the
    // dialog and writes the settings file, "StartHidden" hides everything.
    w.finishStartup();
    if (w.AddMenuRequest)
        m_general->StartmenuButton1Click();
}

void TF_Prefs::UpdatePrefsControls()
{
    TF_CheckerWindow &w = checker();
    Ui::TF_Prefs &u = *m_ui;
    u.CheckBox6->setChecked(w.Options.AnimIcons);
    // Moving the slider stores its step back into "Jumpback"; the label shows what is kept.
    u.TrackBar1->setValue(TPrefsGeneralPage::positionOfJumpback(w.Options.Jumpback));
    m_general->showJumpback();
    u.CheckBox7->setChecked(w.Options.AutoFloat);
    u.CheckBox8->setChecked(!w.Colors.UsesBlueSet);
    u.CheckBox9->setChecked(w.Options.AlwaysOffline);
    u.CheckBox10->setChecked(w.Options.Blinking);
    u.CheckBox13->setChecked(w.Options.HideWhenOffline);
    u.RoundCheckBox->setChecked(w.Metrics.Round);
    u.CheckAllBox->setChecked(w.Options.CheckAllWhenGoingOnline);
    u.FollowNetworkBox->setChecked(w.Options.FollowNetwork);
    u.CheckAfterResumeBox->setChecked(w.Options.CheckAfterResume);
    u.NotifyBox->setChecked(w.Options.Notify);
    u.CheckBox2->setChecked(w.Options.KeepLogFile);
    m_sound->showFileNames();
    if (w.transparencyOffered()) {
        u.AlphaCheckBox->setChecked(w.Options.Transparency);
        u.AlphaSlider->setValue(w.Options.TransparencyValue);
    }
    u.TrackBar2->setValue(w.Metrics.CheckerHeight);
    u.TrackBar3->setValue(w.Metrics.CheckerWidth);
    u.TrackBar4->setValue(w.Metrics.VSpace);
    u.TrackBar5->setValue(w.Metrics.HSpace);
    u.TrackBar6->setValue(w.Metrics.FontSize);
}

void TF_Prefs::setFloatingChecked(bool on)
{
    m_general->setFloatingChecked(on);
}

void TF_Prefs::setAlwaysOnTopChecked(bool on)
{
    m_general->setAlwaysOnTopChecked(on);
}

void TF_Prefs::showAccount(int account)
{
    UpdatePrefsControls();
    // Shown first, so the page in front is refilled from the state before it is left.
    show();
    raise();
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet9);
    m_accounts->selectAccount(account);
}

void TF_Prefs::Save()
{
    checker().saveSettings();
    // Secrets whose store was switched or edited go where the account keeps them.
    checker().engine().storeSecrets();
}

void TF_Prefs::takeAtOkControls()
{
    TF_CheckerWindow &w = checker();
    Ui::TF_Prefs &u = *m_ui;
    if (m_ui->PageControl1->currentWidget() == m_ui->TabSheet6)
        m_sound->TabSheet6Hide();
    m_sound->TabSheet6Show();
    m_sound->TabSheet6Hide();

    w.Options.AnimIcons = u.CheckBox6->isChecked();
    if (!w.Options.AnimIcons && w.trayIcon()) {
        w.trayIcon()->setStillIcon(0);
        w.trayIcon()->refresh();
    }
    w.Options.AutoFloat = u.CheckBox7->isChecked();
    w.Options.AlwaysOffline = u.CheckBox9->isChecked();
    w.Options.Blinking = u.CheckBox10->isChecked();
    w.Options.HideWhenOffline = u.CheckBox13->isChecked();
    w.Options.KeepLogFile = u.CheckBox2->isChecked();
    w.Metrics.Round = u.RoundCheckBox->isChecked();
    w.Options.CheckAllWhenGoingOnline = u.CheckAllBox->isChecked();
    w.Options.FollowNetwork = u.FollowNetworkBox->isChecked();
    w.Options.CheckAfterResume = u.CheckAfterResumeBox->isChecked();
    w.Options.Notify = u.NotifyBox->isChecked();
    if (w.transparencyOffered()) {
        w.Options.Transparency = u.AlphaCheckBox->isChecked();
        w.Options.TransparencyValue = u.AlphaSlider->value();
        if (w.Options.Transparency)
            w.endTransparencyPreview();
    }
}

void TF_Prefs::SaveButtonClick()
{
    TF_CheckerWindow &w = checker();
    Button2Click();
    if (w.Accounts.AccountCount == 0)
        return;
    if (m_ui->CheckBox8->isChecked())
        w.GrayColorSet();
    else
        w.BlueColorSet();
    takeAtOkControls();
    m_accounts->set_ComboBox6_settings();
    Save();
    close();
    w.EShowTest();
    for (qint32 n = 1; n <= w.Accounts.AccountCount; ++n)
        if (QAction *item = w.fieldSlot(n).AccountListItem)
            item->setText(TextBytes::toText(w.Accounts.data(n).Name));
    if (w.mailList())
        w.mailList()->rebuildAccountMenu();
}

void TF_Prefs::Button11Click()
{
    close();
}

void TF_Prefs::reject()
{
    close();
}

bool TF_Prefs::mayLeave() const
{
    return checker().Accounts.AccountCount > 0 || checker().Quitting || m_exitRequested;
}

void TF_Prefs::closeEvent(QCloseEvent *event)
{
    if (mayLeave()) {
        event->accept();
        return;
    }
    event->ignore();
    runSilently([this] { Button2Click(); });
}

void TF_Prefs::Button2Click()
{
    TF_CheckerWindow &w = checker();
    if (mayLeave()) {
        // Ends a live preview of the transparency slider.
        w.endTransparencyPreview();
        return;
    }
    const UserPrompts::Button answer = UserPrompts::instance().message(
        this, QStringLiteral("Error"),
        QStringLiteral("You must have at least one account!\r\nPress <OK> to create a new account, "
                       "or press <Cancel> to exit Vorlo."),
        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok, UserPrompts::Button::Cancel});
    if (answer != UserPrompts::Button::Ok) {
        // The exit runs from the event loop: it destroys this dialog, which must not happen
        // under one of its own handlers.
        m_exitRequested = true;
        QPointer<TF_CheckerWindow> target(&w);
        QTimer::singleShot(0, target, [target] {
            if (target)
                target->Button3Click();
        });
        return;
    }
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet9);
    m_ui->NewButton1->setFocus();
    m_accounts->NewButton1Click();
}

void TF_Prefs::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous() && !m_destroying)
        runSilently([this] { Button2Click(); });
}

void TF_Prefs::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The page in front shows the current state, not what was left in it before a "Cancel".
    if (!event->spontaneous())
        runSilently([this] { runShowHandler(m_ui->PageControl1->currentWidget()); });
}

void TF_Prefs::runShowHandler(QWidget *page)
{
    if (page == m_ui->TabSheet9)
        m_accounts->TabSheet9Show();
    else if (page == m_ui->TabSheet6)
        m_sound->TabSheet6Show();
    else if (page == m_ui->TabSheet8)
        m_visual->CButtonsUpdate();
    else if (page == m_ui->FilterTabSheet)
        m_filters->FilterTabSheetShow();
}

void TF_Prefs::pageChanged()
{
    QWidget *page = m_ui->PageControl1->currentWidget();
    QWidget *left = m_currentPage;
    m_currentPage = page;
    if (left == page)
        return;
    if (left == m_ui->TabSheet6)
        m_sound->TabSheet6Hide();
    runShowHandler(page);
    // Leaving or entering any page stores the accounts page.
    m_accounts->ComboBox6Change();
}
