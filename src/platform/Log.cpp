#include "platform/Log.h"

#include "platform/GeneralError.h"

#include <exception>

Q_LOGGING_CATEGORY(lcNet, "vorlo.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPop3, "vorlo.pop3", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCheck, "vorlo.check", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "vorlo.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSound, "vorlo.sound", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "vorlo.ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAuth, "vorlo.auth", QtWarningMsg)

QString Log::currentError()
{
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return QStringLiteral("(no error)");
    try {
        std::rethrow_exception(current);
    } catch (const EGeneralError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return QStringLiteral("(unknown error)");
}
