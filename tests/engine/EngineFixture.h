#pragma once

// A check engine without any window, started on a settings directory of the test's own.
#include "core/TCheckEngine.h"
#include "net/TNMPOP3.h"
#include "settings/TIniFile.h"

#include "fixtures/SettingsDir.h"

#include <QTimer>
#include <memory>

struct EngineFixture : SettingsDir
{
    std::unique_ptr<TCheckEngine> engine;

    // Reads the settings file; the account timers are stopped, so only the test starts checks.
    TCheckEngine &start()
    {
        engine.reset();
        engine = std::make_unique<TCheckEngine>();
        engine->SettingsDir = dir.path();
        TIniFile ini(iniPath());
        engine->readSettings(ini);
        for (qint32 n = 1; n <= engine->Accounts.AccountCount; ++n)
            engine->Accounts.slot(n).CheckTimer->stop();
        return *engine;
    }
};
