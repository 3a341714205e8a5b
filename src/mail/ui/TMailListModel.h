#pragma once

#include <QAbstractTableModel>
#include <QByteArrayList>
#include <QList>
#include <QString>

struct TMailSummary;

// The mail list grid's rows over copies of the account summaries. The copies are implicitly
// shared with the summaries, so taking them costs nothing, and a check that refills a summary
// while the window shows it leaves the rows as the user saw them until the window refreshes.
// Cells are converted for display only when the view asks for them.
class TMailListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { SubjectColumn, SenderColumn, SizeColumn, ActionColumn, AccountColumn, ColumnCount };

    struct AccountLists
    {
        qint32 account = 0;
        QString name;
        QByteArrayList Subject;
        QByteArrayList Sender;
        QByteArrayList Size;
        QByteArrayList UniqueID;
        QByteArrayList Action;
    };
    static AccountLists listsOf(qint32 account, const QString &name, const TMailSummary &summary);

    explicit TMailListModel(QObject *parent = nullptr);

    // One account: row r (from 0) is message r + 1, as many rows as the Sender list has
    // messages; one empty row when it has none.
    void showSingle(const AccountLists &lists);
    // All accounts in account order, one row per message; one empty row when none has any.
    void showAll(const QList<AccountLists> &accounts);
    void clear();

    // What a row stands for; account 0 and message 0 for the empty row.
    qint32 accountOfRow(int row) const;
    qint32 messageOfRow(int row) const;
    QByteArray uniqueIdOfRow(int row) const;
    // The cell's bytes as stored in the summary (the account column gives the name as UTF-8).
    QByteArray rawCell(int row, int column) const;
    // Data rows that stand for a message (the empty row of an empty view does not).
    int messageRows() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct RowRef
    {
        qint32 source; // index into m_sources
        qint32 line;   // message number: the line in that account's lists
    };
    const QByteArrayList *column(const AccountLists &lists, int column) const;

    QList<AccountLists> m_sources;
    QList<RowRef> m_rows;
};
