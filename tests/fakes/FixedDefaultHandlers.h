#pragma once

#include "platform/DefaultHandlers.h"

#include <QHash>

// Open commands set by the test; a scheme without one has no handler.
// Installs itself as DefaultHandlers::instance() for its lifetime.
class FixedDefaultHandlers : public DefaultHandlers
{
public:
    FixedDefaultHandlers();
    ~FixedDefaultHandlers() override;

    void setCommand(const QString &scheme, const QString &command);
    QString openCommand(const QString &scheme) override;

private:
    QHash<QString, QString> m_commands;
};
