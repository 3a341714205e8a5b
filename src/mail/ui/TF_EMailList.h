#pragma once

#include "core/ui/TFormHooks.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QMenu;
class QTableView;
class TF_CheckerWindow;
class TMailListModel;

namespace Ui {
class TF_EMailList;
}

// The mail list window: subject, sender, size and status of the messages the last checks
// read, of one account or of all, and the commands that mark them for deletion. It only reads
// the accounts' summaries, except for the marks (pending list and "Deleting...").
class TF_EMailList : public QMainWindow, public IMailListView
{
    Q_OBJECT
public:
    // Shows the summaries of `checker`'s accounts; registers itself with it.
    explicit TF_EMailList(TF_CheckerWindow &checker, QWidget *parent = nullptr);
    ~TF_EMailList() override;

    // ---- what the checker window calls ----
    QWidget *widget() override { return this; }
    int shownAccount() const override { return m_view; }
    void refreshAccount(int account) override;
    void showAccount(int account) override;
    void rebuildAccountMenu() override;
    void removeAccountItem(QAction *item) override;
    void resetPosition() override;

    // ---- the window's own commands ----
    // 0 = all accounts, n = account n. Rebuilds the rows from the summaries.
    void showView(int index);
    void DeleteSelectedMails1Click();
    void DeleteAllMails1Click();
    void Close1Click();
    void SelectAllRows(); // Ctrl+A: rows 1 to the last, all columns
    // Activation: column widths, and each account's item enabled by its List flag.
    void FormActivate();
    // Writes "EMailList" Width, Height, X and Y; once (the exit and the destruction both ask).
    void saveGeometrySettings();

    QTableView *grid() const;
    TMailListModel *model() const { return m_model; }
    QMenu *accountsMenu() const;
    QMenu *popupMenu() const { return m_popup; }

protected:
    bool event(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    // One row chosen for marking, taken before any message box can let a check change the lists.
    struct Mark
    {
        qint32 account;
        qint32 message; // its line in the lists when the rows were read
        QByteArray uniqueId;
    };
    void readGeometrySettings();
    void setColumnWidths();
    void accountItemTriggered(QAction *item);
    void markRows(int firstRow, int lastRow); // model rows, inclusive
    void showBusyMessage();

    std::unique_ptr<Ui::TF_EMailList> m_ui;
    TMailListModel *m_model = nullptr;
    QMenu *m_popup = nullptr;
    QPointer<TF_CheckerWindow> m_checker;
    QString m_settingsFile;
    int m_view = 0;
    bool m_geometrySaved = false;
};

// The single instance, set while it exists.
