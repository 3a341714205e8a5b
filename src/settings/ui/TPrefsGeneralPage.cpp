#include "settings/ui/TPrefsGeneralPage.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "mail/TEventLog.h"
#include "platform/ShellLinks.h"
#include "settings/TShortcuts.h"
#include "settings/ui/TF_Prefs.h"

#include <QAction>

TPrefsGeneralPage::TPrefsGeneralPage(TF_Prefs &dialog) : m_dialog(dialog), m_ui(dialog.ui())
{
    auto bind = [this](auto *sender, auto signal, void (TPrefsGeneralPage::*handler)()) {
        connect(sender, signal, this, [this, handler] { runSilently([&] { (this->*handler)(); }); });
    };
    bind(m_ui.CheckBox11, &QCheckBox::toggled, &TPrefsGeneralPage::CheckBox11Click);
    bind(m_ui.CheckBox12, &QCheckBox::toggled, &TPrefsGeneralPage::CheckBox12Click);
    bind(m_ui.TrackBar1, &QSlider::valueChanged, &TPrefsGeneralPage::TrackBar1Change);
    bind(m_ui.Button1, &QPushButton::clicked, &TPrefsGeneralPage::Button1Click);
    bind(m_ui.Button2, &QPushButton::clicked, &TPrefsGeneralPage::ShowLogClick);
    bind(m_ui.StartmenuButton1, &QPushButton::clicked, &TPrefsGeneralPage::StartmenuButton1Click);
    bind(m_ui.StartupButton1, &QPushButton::clicked, &TPrefsGeneralPage::StartupButton1Click);
}

TF_CheckerWindow &TPrefsGeneralPage::w() const
{
    return m_dialog.checker();
}

void TPrefsGeneralPage::CheckBox11Click()
{
    if (m_ui.CheckBox11->isChecked() != w().Floating1->isChecked())
        w().Floating1->trigger();
}

void TPrefsGeneralPage::CheckBox12Click()
{
    if (m_ui.CheckBox12->isChecked() != w().AlwaysonTop1->isChecked())
        w().AlwaysonTop1->trigger();
}

void TPrefsGeneralPage::setFloatingChecked(bool on)
{
    m_ui.CheckBox11->setChecked(on);
    m_ui.CheckBox7->setEnabled(on);
    m_ui.TrackBar1->setEnabled(on);
    m_ui.Label17->setEnabled(on);
}

void TPrefsGeneralPage::setAlwaysOnTopChecked(bool on)
{
    m_ui.CheckBox12->setChecked(on);
}

qint32 TPrefsGeneralPage::jumpbackOfPosition(int position)
{
    const qint32 seconds = 3 * position - 3;
    return seconds == 0 ? 1 : seconds;
}

int TPrefsGeneralPage::positionOfJumpback(qint32 seconds)
{
    return (seconds + 3) / 3;
}

void TPrefsGeneralPage::TrackBar1Change()
{
    w().Options.Jumpback = jumpbackOfPosition(m_ui.TrackBar1->value());
    showJumpback();
}

void TPrefsGeneralPage::showJumpback()
{
    m_ui.Label17->setText(QString::number(w().Options.Jumpback) + QStringLiteral(" sec"));
}

void TPrefsGeneralPage::Button1Click()
{
    w().Reset1Click();
}

void TPrefsGeneralPage::ShowLogClick()
{
    TEventLog(w().SettingsDir).showLogFile(&m_dialog);
}

void TPrefsGeneralPage::StartmenuButton1Click()
{
    TShortcuts(w().SettingsDir, w().InstanceName).addToStartMenu(ShellLinks::instance());
}

void TPrefsGeneralPage::StartupButton1Click()
{
    TShortcuts(w().SettingsDir, w().InstanceName).addToStartup(ShellLinks::instance());
}
