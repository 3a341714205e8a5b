#pragma once

#include "platform/GeneralError.h"

#include <QString>
#include <exception>

// What a failure tells the user: our errors' own text, else the library's.
inline QString reasonOf(const std::exception &e)
{
    if (const auto *g = dynamic_cast<const EGeneralError *>(&e))
        return g->message().trimmed();
    return QString::fromLocal8Bit(e.what()).trimmed();
}
