#pragma once

#include "core/ui/TF_CheckerWindow.h"
#include "core/ui/TFormHooks.h"

#include <QDialog>
#include <QPointer>
#include <memory>

namespace Ui {
class TF_Prefs;
}
class TF_CheckerWindow;
class TPrefsAccountsPage;
class TPrefsSoundPage;
class TPrefsGeneralPage;
class TPrefsVisualPage;
class TPrefsFilterEditor;

// The preferences dialog. Created once, right after the checker window, it finishes the
// program's start-up and then lives, hidden or shown (never modal), until the program ends.
// Most edits go into the in-memory state at once; "OK" takes the rest and writes the settings
// file; "Cancel" only closes, taking nothing back.
class TF_Prefs : public QDialog, public IPrefsView
{
    Q_OBJECT
public:
    // Edits what `checker` shows; registers itself with it.
    explicit TF_Prefs(TF_CheckerWindow &checker, QWidget *parent = nullptr);
    ~TF_Prefs() override;

    // ---- what the checker window asks of the dialog ----
    QWidget *widget() override { return this; }
    // Fills the controls of the sound, general and visual pages from the in-memory settings.
    void UpdatePrefsControls() override;
    void setFloatingChecked(bool on) override;
    void setAlwaysOnTopChecked(bool on) override;
    // Opens the dialog on the accounts page with account n selected.
    void showAccount(int account) override;

    // ---- the dialog as a whole ----
    // Writes the whole in-memory state to the settings file.
    void Save();
    // "OK".
    void SaveButtonClick();
    // "Cancel": closes the dialog like its close box.
    void Button11Click();
    // The account-presence check: with no account, offers to create one or to exit.
    void Button2Click();

    Ui::TF_Prefs &ui() { return *m_ui; }
    TF_CheckerWindow &checker() const { return *m_checker; }
    TPrefsAccountsPage &accountsPage() { return *m_accounts; }
    TPrefsSoundPage &soundPage() { return *m_sound; }
    TPrefsGeneralPage &generalPage() { return *m_general; }
    TPrefsVisualPage &visualPage() { return *m_visual; }
    TPrefsFilterEditor &filterEditor() { return *m_filters; }

    // True once the user chose to end the program from the account-presence check.
    bool exitRequested() const { return m_exitRequested; }

protected:
    // FormClose: a close is granted only while an account exists or the program is ending.
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Escape closes like the close box, never around the account-presence check.
    void reject() override;

private:
    void FormCreate();
    void pageChanged();
    void runShowHandler(QWidget *page);
    void takeAtOkControls();
    bool mayLeave() const;

    std::unique_ptr<Ui::TF_Prefs> m_ui;
    QPointer<TF_CheckerWindow> m_checker;
    std::unique_ptr<TPrefsAccountsPage> m_accounts;
    std::unique_ptr<TPrefsSoundPage> m_sound;
    std::unique_ptr<TPrefsGeneralPage> m_general;
    std::unique_ptr<TPrefsVisualPage> m_visual;
    std::unique_ptr<TPrefsFilterEditor> m_filters;
    QWidget *m_currentPage = nullptr;
    bool m_exitRequested = false;
    bool m_destroying = false;
};

