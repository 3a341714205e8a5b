// The mail list window: creation, geometry, the views and the "Accounts" menu.
#include "mail/ui/TF_EMailList.h"

#include "ui_TF_EMailList.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "mail/TMailSummary.h"
#include "mail/ui/TMailListModel.h"
#include "settings/TIniFile.h"

#include "platform/Platform.h"
#include "platform/TextBytes.h"
#include "platform/Log.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>


namespace {
constexpr int DefaultWidth = 425;
constexpr int DefaultHeight = 167;

} // namespace

TF_EMailList::TF_EMailList(TF_CheckerWindow &checker, QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TF_EMailList>()), m_checker(&checker)
{
    setObjectName(QStringLiteral("F_EMailList"));
    m_ui->setupUi(this);

    m_model = new TMailListModel(this);
    QTableView *g = m_ui->StringGrid1;
    g->setModel(m_model);
    QPalette palette = g->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    g->setPalette(palette);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setStretchLastSection(false);
    g->horizontalHeader()->setSectionsClickable(false);
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->installEventFilter(this);
    // The vertical scroll bar coming and going changes the room the subject column gets.
    g->viewport()->installEventFilter(this);
    connect(g->horizontalScrollBar(), &QScrollBar::valueChanged, g, [g](int value) {
        if (value != 0)
            g->horizontalScrollBar()->setValue(0);
    });

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_popup->addAction(m_ui->DeleteSelectedMails2);
    connect(g, &QWidget::customContextMenuRequested, this,
            [this, g](const QPoint &pos) { m_popup->popup(g->viewport()->mapToGlobal(pos)); });

    auto bind = [this](QAction *action, void (TF_EMailList::*command)()) {
        connect(action, &QAction::triggered, this, [this, command] { runSilently([&] { (this->*command)(); }); });
    };
    bind(m_ui->DeleteSelectedMails1, &TF_EMailList::DeleteSelectedMails1Click);
    bind(m_ui->DeleteSelectedMails2, &TF_EMailList::DeleteSelectedMails1Click);
    bind(m_ui->DeleteAllMails1, &TF_EMailList::DeleteAllMails1Click);
    bind(m_ui->Close1, &TF_EMailList::Close1Click);
    connect(m_ui->Accounts1, &QMenu::triggered, this,
            [this](QAction *item) { runSilently([&] { accountItemTriggered(item); }); });

    if (m_checker) {
        m_settingsFile = m_checker->settingsFileName();
        connect(m_checker, &TF_CheckerWindow::exiting, this, [this] { saveGeometrySettings(); });
        m_checker->setMailList(this);
    }
    runSilently([this] {
        rebuildAccountMenu();
        readGeometrySettings();
        showView(0);
    });
}

TF_EMailList::~TF_EMailList()
{
    saveGeometrySettings();
    if (m_checker && m_checker->mailList() == this)
        m_checker->setMailList(nullptr);
}

QTableView *TF_EMailList::grid() const
{
    return m_ui->StringGrid1;
}

QMenu *TF_EMailList::accountsMenu() const
{
    return m_ui->Accounts1;
}

void TF_EMailList::readGeometrySettings()
{
    const QSize screen = Platform::screenSize();
    if (!m_settingsFile.isEmpty()) {
        TIniFile ini(m_settingsFile);
        if (ini.fileExists()) {
            resize(ini.readInteger("EMailList", "Width", DefaultWidth),
                   ini.readInteger("EMailList", "Height", DefaultHeight));
            move(ini.readInteger("EMailList", "X", 200), ini.readInteger("EMailList", "Y", 200));
            return;
        }
    }
    // No settings yet: centred at the form's own size.
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
}

void TF_EMailList::saveGeometrySettings()
{
    if (m_geometrySaved || m_settingsFile.isEmpty())
        return;
    m_geometrySaved = true;
    try {
        TIniFile ini(m_settingsFile);
        TIniFile::Batch batch(ini);
        ini.writeInteger("EMailList", "Width", width());
        ini.writeInteger("EMailList", "Height", height());
        ini.writeInteger("EMailList", "X", x());
        ini.writeInteger("EMailList", "Y", y());
    } catch (...) {
        qCDebug(lcSettings) << "mail list geometry not saved:" << Log::currentError();
        // An unwritable file must not stop the exit; the old geometry stays.
    }
}

void TF_EMailList::resetPosition()
{
    const QSize screen = Platform::screenSize();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    resize(DefaultWidth, DefaultHeight);
}

void TF_EMailList::setColumnWidths()
{
    QTableView *g = grid();
    const int w = g->width();
    const int sender = w / 3;
    const int size = w / 10;
    const int action = w / 8;
    const int account = m_view == 0 ? w / 8 : 0;
    // The subject takes what the others leave of the visible width, so nothing needs a
    // horizontal scroll bar.
    const int subject = qMax(0, g->viewport()->width() - sender - size - action - account);
    g->setColumnWidth(TMailListModel::SubjectColumn, subject);
    g->setColumnWidth(TMailListModel::SenderColumn, sender);
    g->setColumnWidth(TMailListModel::SizeColumn, size);
    g->setColumnWidth(TMailListModel::ActionColumn, action);
    g->setColumnWidth(TMailListModel::AccountColumn, account);
    g->horizontalScrollBar()->setValue(0);
}

void TF_EMailList::showView(int index)
{
    TF_CheckerWindow *checker = m_checker;
    if (!checker || index < 0 || index > checker->Accounts.AccountCount)
        index = 0; // an account that is gone shows the combined view
    const bool sameView = index == m_view;
    m_view = index;

    // A refresh keeps the user's place: the scroll position and the selected block.
    QTableView *g = grid();
    const int scroll = g->verticalScrollBar()->value();
    int selFirst = -1;
    int selLast = -1;
    for (const QModelIndex &row : g->selectionModel()->selectedRows()) {
        selFirst = selFirst < 0 ? row.row() : qMin(selFirst, row.row());
        selLast = qMax(selLast, row.row());
    }

    if (!checker) {
        m_model->clear();
    } else if (index > 0) {
        const QString name = TextBytes::toText(checker->Accounts.data(index).Name);
        setWindowTitle(name + QStringLiteral(" Account Information"));
        const auto &summary = checker->Accounts.slot(index).MailSummary;
        m_model->showSingle(summary ? TMailListModel::listsOf(index, name, *summary)
                                    : TMailListModel::AccountLists{index, name, {}, {}, {}, {}, {}});
    } else {
        setWindowTitle(QStringLiteral("List of All Accounts"));
        QList<TMailListModel::AccountLists> all;
        for (qint32 i = 1; i <= checker->Accounts.AccountCount; ++i) {
            const auto &summary = checker->Accounts.slot(i).MailSummary;
            if (summary && summary->Sender.size() > 1)
                all.append(
                    TMailListModel::listsOf(i, TextBytes::toText(checker->Accounts.data(i).Name), *summary));
        }
        m_model->showAll(all);
    }
    setColumnWidths();

    if (sameView) {
        const int rows = m_model->rowCount();
        if (selFirst >= 0 && selFirst < rows) {
            const QModelIndex first = m_model->index(selFirst, 0);
            g->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
            g->selectionModel()->select(
                QItemSelection(first, m_model->index(qMin(selLast, rows - 1), TMailListModel::ColumnCount - 1)),
                QItemSelectionModel::ClearAndSelect);
        }
        if (scroll > 0) {
            g->doItemsLayout(); // the scroll range of the new rows
            g->verticalScrollBar()->setValue(scroll);
        }
    }
}

void TF_EMailList::refreshAccount(int account)
{
    if (m_view == account || m_view == 0)
        showView(m_view);
}

void TF_EMailList::showAccount(int account)
{
    showView(account);
    show();
    raise();
    activateWindow();
}

void TF_EMailList::Close1Click()
{
    hide();
}

void TF_EMailList::rebuildAccountMenu()
{
    TF_CheckerWindow *checker = m_checker;
    if (!checker)
        return;
    QMenu *menu = m_ui->Accounts1;
    auto insertAt = [menu](QAction *item, int position) {
        const QList<QAction *> items = menu->actions();
        if (position < items.size())
            menu->insertAction(items.at(position), item);
        else
            menu->addAction(item);
    };
    if (QAction *all = checker->AllAccountsItem) {
        all->setText(QStringLiteral("All Accounts"));
        if (menu->actions().isEmpty())
            insertAt(all, 0);
    }
    if (QAction *separator = checker->AccountMenuSeparator) {
        separator->setSeparator(true);
        if (menu->actions().size() <= 1)
            insertAt(separator, 1);
    }
    for (qint32 i = 1; i <= checker->Accounts.AccountCount; ++i) {
        QAction *item = checker->fieldSlot(i).AccountListItem;
        if (!item)
            continue;
        item->setText(TextBytes::toText(checker->Accounts.data(i).Name));
        item->setEnabled(checker->Accounts.data(i).List);
        if (menu->actions().size() <= i + 1)
            insertAt(item, i + 1);
    }
}

void TF_EMailList::removeAccountItem(QAction *item)
{
    if (item)
        m_ui->Accounts1->removeAction(item);
    if (m_checker && m_view > m_checker->Accounts.AccountCount)
        showView(0);
}

void TF_EMailList::accountItemTriggered(QAction *item)
{
    TF_CheckerWindow *checker = m_checker;
    if (!checker || !item)
        return;
    if (item == checker->AllAccountsItem) {
        showView(0);
        return;
    }
    const qint32 n = checker->slotOfItem(&TFieldSlot::AccountListItem, item);
    if (n > 0)
        showView(n);
}

void TF_EMailList::FormActivate()
{
    setColumnWidths();
    TF_CheckerWindow *checker = m_checker;
    if (!checker)
        return;
    for (qint32 i = 1; i <= checker->Accounts.AccountCount; ++i)
        if (QAction *item = checker->fieldSlot(i).AccountListItem)
            item->setEnabled(checker->Accounts.data(i).List);
}

bool TF_EMailList::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        runSilently([this] { FormActivate(); });
    return QMainWindow::event(e);
}

void TF_EMailList::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    setColumnWidths();
}

bool TF_EMailList::eventFilter(QObject *watched, QEvent *e)
{
    QTableView *g = grid();
    if (watched == g->viewport() && e->type() == QEvent::Resize) {
        setColumnWidths();
        return false;
    }
    if (watched != g || (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease))
        return QMainWindow::eventFilter(watched, e);

    const auto *key = static_cast<QKeyEvent *>(e);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    enum { None, MarkRows, Close, SelectAll } command = None;
    if (key->key() == Qt::Key_Delete || (ctrl && key->key() == Qt::Key_D))
        command = MarkRows;
    else if (key->key() == Qt::Key_X)
        command = Close;
    else if (ctrl && key->key() == Qt::Key_A)
        command = SelectAll;
    if (command == None)
        return false;
    // The commands act when the key is let go; the press must not reach the grid's own
    // handling (type-ahead search, select all).
    if (e->type() == QEvent::KeyPress || key->isAutoRepeat())
        return true;
    runSilently([&] {
        switch (command) {
        case MarkRows:
            DeleteSelectedMails1Click();
            break;
        case Close:
            Close1Click();
            break;
        case SelectAll:
            SelectAllRows();
            break;
        case None:
            break;
        }
    });
    return true;
}

void TF_EMailList::SelectAllRows()
{
    const int rows = m_model->rowCount();
    if (rows <= 0)
        return;
    grid()->selectionModel()->select(
        QItemSelection(m_model->index(0, 0), m_model->index(rows - 1, TMailListModel::ColumnCount - 1)),
        QItemSelectionModel::ClearAndSelect);
}
