#include "mail/ui/TMailListModel.h"

#include "mail/TEncodedWords.h"
#include "mail/TMailSummary.h"

TMailListModel::AccountLists TMailListModel::listsOf(qint32 account, const QString &name, const TMailSummary &summary)
{
    return AccountLists{account, name, summary.Subject, summary.Sender, summary.Size, summary.UniqueID, summary.Action};
}

TMailListModel::TMailListModel(QObject *parent) : QAbstractTableModel(parent) {}

void TMailListModel::showSingle(const AccountLists &lists)
{
    beginResetModel();
    m_sources = {lists};
    m_rows.clear();
    const qsizetype messages = lists.Sender.size() - 1;
    m_rows.reserve(qMax<qsizetype>(messages, 0));
    for (qint32 m = 1; m <= messages; ++m)
        m_rows.append(RowRef{0, m});
    endResetModel();
}

void TMailListModel::showAll(const QList<AccountLists> &accounts)
{
    beginResetModel();
    m_sources = accounts;
    m_rows.clear();
    qsizetype total = 0;
    for (const AccountLists &a : accounts)
        total += qMax<qsizetype>(a.Sender.size() - 1, 0);
    m_rows.reserve(total);
    // Every message gets its own row, also one whose size is unknown: the row lists must stay
    // in step with the rows, or a mark would hit another message.
    for (qint32 s = 0; s < accounts.size(); ++s)
        for (qint32 m = 1; m < accounts.at(s).Sender.size(); ++m)
            m_rows.append(RowRef{s, m});
    endResetModel();
}

void TMailListModel::clear()
{
    beginResetModel();
    m_sources.clear();
    m_rows.clear();
    endResetModel();
}

qint32 TMailListModel::accountOfRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_sources.at(m_rows.at(row).source).account : 0;
}

qint32 TMailListModel::messageOfRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).line : 0;
}

QByteArray TMailListModel::uniqueIdOfRow(int row) const
{
    return rawCell(row, -1);
}

const QByteArrayList *TMailListModel::column(const AccountLists &lists, int column) const
{
    switch (column) {
    case SubjectColumn:
        return &lists.Subject;
    case SenderColumn:
        return &lists.Sender;
    case SizeColumn:
        return &lists.Size;
    case ActionColumn:
        return &lists.Action;
    case -1:
        return &lists.UniqueID;
    default:
        return nullptr;
    }
}

QByteArray TMailListModel::rawCell(int row, int col) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const RowRef ref = m_rows.at(row);
    const AccountLists &lists = m_sources.at(ref.source);
    if (col == AccountColumn)
        return lists.name.toUtf8();
    const QByteArrayList *list = column(lists, col);
    return list && ref.line < list->size() ? list->at(ref.line) : QByteArray();
}

int TMailListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_rows.isEmpty() ? 1 : int(m_rows.size());
}

int TMailListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TMailListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const int row = index.row();
    if (row >= m_rows.size())
        return QString();
    switch (index.column()) {
    case SubjectColumn:
    case SenderColumn:
        return TEncodedWords::decode(rawCell(row, index.column())).trimmed();
    case SizeColumn:
    case ActionColumn:
        if (role == Qt::ToolTipRole)
            return {};
        return TEncodedWords::bytesToText(rawCell(row, index.column()));
    case AccountColumn:
        return role == Qt::DisplayRole ? QVariant(m_sources.at(m_rows.at(row).source).name) : QVariant();
    default:
        return {};
    }
}

QVariant TMailListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"Subject", "Sender", "Size", "Action", "Account"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QString();
}
