#include "core/TAccountTable.h"

#include "net/TNMPOP3.h"

#include <QTimer>

TAccountTable::TAccountTable()
{
    resizeColumns();
}

void TAccountTable::resizeColumns()
{
    // Columns only ever grow: the objects of a slot beyond the count stay for a later account.
    const qsizetype wanted = qsizetype(qMax(AccountCount, 0)) + 1;
    if (m_slots.size() < wanted)
        m_slots.resize(wanted);
    if (m_data.size() < m_slots.size())
        m_data.resize(m_slots.size());
}

void TAccountTable::removeAccountData(qint32 k)
{
    if (k < 1 || k > AccountCount)
        return;
    for (qint32 n = k; n < AccountCount; ++n)
        m_data[n] = m_data[n + 1];
    m_data[AccountCount] = TAccountData();
    --AccountCount;
}

qint32 TAccountTable::slotOfTimer(const QObject *timer) const
{
    for (qint32 n = 1; n <= AccountCount; ++n)
        if (timer && m_slots[n].CheckTimer == timer)
            return n;
    return 0;
}

qint32 TAccountTable::slotOfPop3(const QObject *client) const
{
    for (qint32 n = 1; n <= AccountCount; ++n)
        if (client && m_slots[n].Pop3 == client)
            return n;
    return 0;
}

qint32 TAccountTable::slotOfSerial(quint64 serial) const
{
    for (qint32 n = 1; n <= AccountCount; ++n)
        if (serial != 0 && m_data[n].Serial == serial)
            return n;
    return 0;
}

quint64 TAccountTable::serialOf(qint32 n)
{
    if (m_data[n].Serial == 0)
        m_data[n].Serial = ++m_lastSerial;
    return m_data[n].Serial;
}

bool TAccountTable::anyBusy() const
{
    for (qint32 n = 1; n <= AccountCount; ++n)
        if (m_data[n].Busy)
            return true;
    return false;
}

qint64 TAccountTable::totalMailCount() const
{
    qint64 sum = 0;
    for (qint32 n = 1; n <= AccountCount; ++n)
        sum += m_data[n].MailCount;
    return sum;
}
