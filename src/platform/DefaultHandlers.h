#pragma once

#include <QString>

// The desktop's open command for a URL scheme ("mailto", "http"), as a command line.
class DefaultHandlers
{
public:
    virtual ~DefaultHandlers() = default;
    // Empty when no handler is registered.
    virtual QString openCommand(const QString &scheme) = 0;

    static DefaultHandlers &instance();
    static void setInstance(DefaultHandlers *handlers); // nullptr restores the real one
};
