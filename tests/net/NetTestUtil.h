#pragma once

#include "net/ESockError.h"

#include <QByteArray>
#include <QString>

// What an operation raised, as "<class>: <message>" with line ends made visible, or
// "" when it returned normally.
template <typename F>
QString failureOf(F &&operation)
{
    auto visible = [](QString s) {
        return s.replace(QLatin1String("\r"), QLatin1String("\\r")).replace(QLatin1String("\n"), QLatin1String("\\n"));
    };
    try {
        operation();
    } catch (const EAbortError &e) {
        return QStringLiteral("EAbortError: ") + visible(e.message());
    } catch (const ESockError &e) {
        return QStringLiteral("ESockError: ") + visible(e.message());
    } catch (const EGeneralError &e) {
        return QStringLiteral("EGeneralError: ") + visible(e.message());
    }
    return {};
}

inline QByteArray visibleBytes(QByteArray s)
{
    return s.replace("\r", "\\r").replace("\n", "\\n");
}
