#pragma once

// A checker window started on a settings directory of the test's own.
#include "core/ui/TF_CheckerWindow.h"
#include "net/TNMPOP3.h"
#include "settings/TIniFile.h"

#include "fixtures/SettingsDir.h"

#include <memory>

struct CheckerFixture : SettingsDir
{
    std::unique_ptr<TF_CheckerWindow> window;

    TF_CheckerWindow &start(QStringList extraArgs = {})
    {
        window.reset();
        QStringList args{QStringLiteral("-d"), dir.path()};
        args += extraArgs;
        window = std::make_unique<TF_CheckerWindow>(args);
        return *window;
    }
};
