#pragma once

#include <QLoggingCategory>
#include <QString>

// Diagnostics, one category per subsystem. Only warnings are on by default; the debug lines
// appear with QT_LOGGING_RULES="vorlo.*.debug=true" (or one category, "vorlo.pop3.debug=true").
// No line ever holds a password, a token or a scrambled password.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcPop3)
Q_DECLARE_LOGGING_CATEGORY(lcCheck)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcSound)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcAuth)

namespace Log {
// The message of the exception being handled, for a catch block that goes on without it.
QString currentError();
} // namespace Log
