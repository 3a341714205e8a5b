#pragma once

#include "net/TNMPOP3.h"

#include <QPointer>

// Holds the busy flag of a TNMPOP3 for one operation and clears it on every exit, unless
// the component went away meanwhile.
class BusyScope
{
public:
    explicit BusyScope(TNMPOP3 *pop) : m_pop(pop) { pop->m_busy = true; }
    ~BusyScope() { release(); }
    void release()
    {
        if (m_pop)
            m_pop->m_busy = false;
        m_pop = nullptr;
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    QPointer<TNMPOP3> m_pop;
};
