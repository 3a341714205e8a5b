#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>

#include <chrono>

// The "command" provider: a program of the user's (a password manager's helper, a token
// script) prints the access token as the first line of its standard output.
namespace OAuthCommand {

constexpr std::chrono::seconds DefaultTimeout{30};

// Runs `commandLine`, split as a shell would split words but run without one, and returns the
// first line of its output. A start failure, a non-zero exit, a crash, no answer within
// `timeout` or an empty first line raises EGeneralError with the command's error output.
QCoro::Task<QByteArray> accessToken(QString commandLine, std::chrono::milliseconds timeout = DefaultTimeout);

} // namespace OAuthCommand
