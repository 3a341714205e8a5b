#pragma once

#include "core/TCheckEngine.h"
#include "core/ui/TCheckerColors.h"
#include "core/ui/TCheckerMetrics.h"
#include "core/ui/TFieldSlot.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <QCoro/QCoroTask>
#include <memory>

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QTimer;
class TIniFile;
class TNMPOP3;
class TCheckerField;
class InstanceMarker;
class ITrayIcon;
class IMailListView;
class IPrefsView;
class ITransparency;

// The checker window: the program's face. It shows the check engine it owns (fields, menus,
// placement) and turns the user's commands into the engine's operations. Its constructor runs
// the whole start-up.
class TF_CheckerWindow : public QWidget
{
    Q_OBJECT
    // First of all members: the references below are bound to it.
    TCheckEngine *m_engine;

public:
    // `arguments` is the command line without the program name.
    explicit TF_CheckerWindow(const QStringList &arguments, QWidget *parent = nullptr);
    ~TF_CheckerWindow() override;

    TCheckEngine &engine() const { return *m_engine; }

    // ---- process-wide state: the engine's, shown here ----
    TAccountTable &Accounts;
    TProgramOptions &Options;
    QList<TFilter> &Filters;
    bool &Quitting;
    QString &SettingsDir;
    TCheckerMetrics Metrics;
    TCheckerColors Colors;
    quint32 BlinkColor = 0;
    QString InstanceName = QStringLiteral("prefs.dat");
    bool AddMenuRequest = false;
    bool FirstRun = false;

    QString settingsFileName() const { return m_engine->settingsFileName(); }
    bool isOnline() const { return m_engine->isOnline(); }

    // The window's columns of slot n (0..the table's slot capacity).
    TFieldSlot &fieldSlot(qint32 n);
    const TFieldSlot &fieldSlot(qint32 n) const;
    // The account whose field or item this is; 0 for none.
    qint32 slotOfField(const QObject *field) const;
    // `member` picks the item column, e.g. &TFieldSlot::CheckNowItem.
    qint32 slotOfItem(QAction *TFieldSlot::*member, const QObject *item) const;

    // ---- forms above the core ----
    void setTrayIcon(ITrayIcon *tray);
    void setMailList(IMailListView *mailList);
    void setPrefs(IPrefsView *prefs);
    void setTransparency(ITransparency *transparency);
    void setAboutBox(QWidget *about) { m_about = about; }
    void setUpdateDialog(QWidget *update) { m_update = update; }
    ITrayIcon *trayIcon() const { return m_tray; }
    IMailListView *mailList() const { return m_mailList; }
    IPrefsView *prefs() const { return m_prefs; }

    // ---- start-up and shutdown ----
    void comandlinebefore();
    void comandlineafter();
    void Button3Click(); // the exit procedure
    void Quit1Click();
    // Writes the whole in-memory state to the settings file.
    void saveSettings();
    // The end of start-up once the preferences dialog exists: its options take effect, a
    // first run shows it and writes the settings file, "StartHidden" hides everything.
    void finishStartup();
    // Writes the seven keys of the custom colour set at once.
    void SaveCustomColors();

    // ---- layout and colours ----
    void E_Setlengths();
    void EShowTest();
    TCheckerField *EShowVar(int index) const;
    void SetColorSet();
    void BlueColorSet();
    void GrayColorSet();
    void setFieldColor(int n, quint32 color);
    void setFieldText(int n, const QString &text);
    void updateFieldTooltip(int n);
    QFrame *panel() const { return m_panel; }
    int ppi() const;

    // ---- the check and its scheduling (the engine's, shown here) ----
    // One check of account n; returns at once when it cannot start, else suspends at each
    // network wait. Callers that need its end co_await it; the timers let it run on.
    [[nodiscard]] QCoro::Task<> checkmail(int n, TNMPOP3 *client) { return m_engine->checkmail(n, client); }
    void startCheck(int n) { m_engine->startCheck(n); }
    void checkTimerTimer(QTimer *timer) { m_engine->checkTimerTimer(timer); }
    void Checkall1Click();
    void Button1Click();
    void checkNow(int n);
    void fieldDoubleClicked(TCheckerField *field);
    void online1Click();
    void Timer6Timer();
    void CoolTrayIcon1Cycle();
    QTimer *blinkTimer() const { return m_timer6; }
    void playSounds(qint32 oldCount, qint32 newCount) { m_engine->playSounds(oldCount, newCount); }

    // ---- menus and account commands ----
    QMenu *PopupMenu6 = nullptr;
    QAction *Preferences2 = nullptr;
    QAction *MailListmenu1 = nullptr;
    QAction *CheckforUpdate1 = nullptr;
    QAction *About1 = nullptr;
    QAction *Floating1 = nullptr;
    QAction *AlwaysonTop1 = nullptr;
    QMenu *SetPosition1 = nullptr;
    QAction *default1 = nullptr;
    QAction *alternate1 = nullptr;
    QAction *Reset1 = nullptr;
    QAction *online1 = nullptr;
    QAction *Restore1 = nullptr;
    QAction *Checkall1 = nullptr;
    QAction *Quit1 = nullptr;
    QAction *AllAccountsItem = nullptr; // element 0 of the mail list's account menu
    QAction *AccountMenuSeparator = nullptr;

    void Button2Click(); // preferences
    void LaunchClick(int n);
    void ResetConnection(int n);
    void ZeroClick(int n);
    void MailListClick(int n);
    void PrefsItemClick(int n);
    void MailListmenu1Click();

    // ---- placement ----
    void moveToDefault();
    void Floating1Click();
    void AlwaysonTop1Click();
    void default1Click();
    void alternate1Click();
    void Reset1Click();
    void CoolTrayIcon1Click(QObject *sender);
    void Minimize1Click();
    void floatAway();
    // A mouse move over the background (not over a field) with the keys held then.
    void FormMouseMove(Qt::KeyboardModifiers shift);
    QTimer *floatBackTimer() const { return m_floatBack; }
    void applyTransparency();
    // The preference page's transparency seams: a live preview of an opacity (0..255) and its
    // end; both act through the apply step, so they do nothing where transparency is not offered.
    void previewTransparency(qint32 opacity);
    void endTransparencyPreview();
    // The opacity the window should take: the preview while one runs, else TransparencyValue.
    qint32 wantedOpacity() const { return m_previewOpacity >= 0 ? m_previewOpacity : Options.TransparencyValue; }
    ITransparency *transparency() const { return m_transparency; }

    // ---- accounts made and removed by the preferences dialog ----
    // Appends an account named `name` with the values of a new account; returns its number.
    qint32 addAccount(const QString &name);
    // Deletes account k: every connection is reset, the later accounts (with their field texts
    // and mail lists) move down a slot, the last field is hidden, filter rules follow.
    void deleteAccount(qint32 k);
    // Whether translucency can be offered (by the platform, or forced by the settings).
    bool transparencyOffered() const;

signals:
    // The exit procedure has saved and closed the connections: the other forms, the update
    // dialog's HTTP component and the tray icon go now.
    void exiting();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormActivate();
    void readSettings(TIniFile &ini);
    void createFieldObjects(int n);
    void createMainMenu();
    void createHiddenButtons();
    void readPositions(TIniFile &ini);
    void floatBackTimerTimer();
    void startBlinkTimer();
    // What the engine's check results look like here.
    void refreshMailList(int n);
    void checkEnded(int n, bool failed);
    void checkQuietlyEnded(int n);

    QStringList m_arguments;
    QFrame *m_panel = nullptr;
    QTimer *m_timer6 = nullptr;
    QTimer *m_floatBack = nullptr;
    QPushButton *m_buttonC = nullptr;
    QPushButton *m_buttonP = nullptr;
    QPushButton *m_buttonE = nullptr;
    std::unique_ptr<InstanceMarker> m_marker;
    ITrayIcon *m_tray = nullptr;
    IMailListView *m_mailList = nullptr;
    IPrefsView *m_prefs = nullptr;
    ITransparency *m_transparency = nullptr;
    QPointer<QWidget> m_about;
    QPointer<QWidget> m_update;
    bool m_exitDone = false;
    qint32 m_previewOpacity = -1;
    QList<TFieldSlot> m_fields;
};
