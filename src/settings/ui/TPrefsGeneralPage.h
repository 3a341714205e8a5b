#pragma once

#include <QObject>

class TF_Prefs;
class TF_CheckerWindow;
namespace Ui {
class TF_Prefs;
}

// The "General Prefs" page: floating and always-on-top (in step with the checker window's
// menu), the float-back delay, window positions, the log file and the shortcuts.
class TPrefsGeneralPage : public QObject
{
    Q_OBJECT
public:
    explicit TPrefsGeneralPage(TF_Prefs &dialog);

    // "Floating enabled" and "Always On Top" run the menu command when they disagree with it.
    void CheckBox11Click();
    void CheckBox12Click();
    // The menu commands set the boxes; floating also enables the float-back controls.
    void setFloatingChecked(bool on);
    void setAlwaysOnTopChecked(bool on);
    // The float-back slider: position p stands for 3p - 3 seconds, position 1 for 1 second.
    void TrackBar1Change();
    void showJumpback();
    void Button1Click();
    void ShowLogClick();
    void StartmenuButton1Click();
    void StartupButton1Click();

    static qint32 jumpbackOfPosition(int position);
    static int positionOfJumpback(qint32 seconds);

private:
    TF_CheckerWindow &w() const;

    TF_Prefs &m_dialog;
    Ui::TF_Prefs &m_ui;
};
