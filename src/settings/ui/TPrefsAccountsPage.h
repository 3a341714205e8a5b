#pragma once

#include <QObject>
#include <QString>

class TF_Prefs;
class TPrefsSignInGroup;
class TF_CheckerWindow;
namespace Ui {
class TF_Prefs;
}

// The "Accounts" page: the account selector, New and Delete, and the page's fields, which
// reach the account table whenever the user switches account or page, or presses "OK".
class TPrefsAccountsPage : public QObject
{
    Q_OBJECT
public:
    explicit TPrefsAccountsPage(TF_Prefs &dialog);

    // The account whose values the page shows, as an index from 0; -1 before any was loaded.
    int editing() const { return m_editing; }

    // Refills the selector, selects the first account and loads the page.
    void TabSheet9Show();
    // Switching account or page: stores the page into the account being edited, loads the selected one.
    void ComboBox6Change();
    // Stores the page into the account being edited. Throws on a frequency that is no number.
    void set_ComboBox6_settings();
    // Loads the page from the account selected in the selector.
    void ComboBox6_update_sheet();
    void NewButton1Click();
    void DeletebuttonClick();
    // Leaving the frequency: a text that is no number is reset, a number out of bounds clamped.
    void Edit29Exit();
    void CheckBox14Click();
    void MailClientComboBox1Change();
    // Selects account n (from 1) and loads it.
    void selectAccount(int n);

    // The "Connection security" choices, in item order, as the account table stores them.
    static const QList<QByteArray> &securityValues();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TF_CheckerWindow &w() const;
    void showFrequency(qint32 timerMs);
    void clearPage();
    // "Sign in...": the browser sign-in with the OAuth2 settings the page shows.
    void startSignIn();

    TF_Prefs &m_dialog;
    Ui::TF_Prefs &m_ui;
    int m_editing = -1;
    // The password text as loaded: bytes that are no valid UTF-8 are kept unless it is edited.
    QString m_loadedPassword;
    // What "Browse for Email Client" holds after its last use.
    QString m_mailClientFile;
    TPrefsSignInGroup *m_signInGroup = nullptr;
};
