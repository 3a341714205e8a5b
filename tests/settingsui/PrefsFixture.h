#pragma once

// A checker window and its preferences dialog on a settings directory of the test's own,
// with every question answered from a script and sounds recorded instead of played.
#include "core/ui/TF_CheckerWindow.h"
#include "desktop/TCheckerDesktop.h"
#include "fakes/RecordingSoundPlayer.h"
#include "fakes/ScriptedUserPrompts.h"
#include "settings/TIniFile.h"
#include "settings/ui/TF_Prefs.h"
#include "fixtures/SettingsDir.h"

#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <memory>

struct PrefsFixture : SettingsDir
{
    ScriptedUserPrompts prompts;
    RecordingSoundPlayer sound;
    std::unique_ptr<TF_CheckerWindow> window;
    std::unique_ptr<TF_Prefs> prefs;

    ~PrefsFixture()
    {
        prefs.reset();
        window.reset();
    }

    TF_Prefs &start(const QStringList &extraArgs = {})
    {
        prefs.reset();
        window.reset();
        window = std::make_unique<TF_CheckerWindow>(QStringList{QStringLiteral("-d"), dir.path()} + extraArgs);
        // The translucency component, as the program entry gives it to the window.
        TCheckerDesktop::createTransparency(*window);
        window->applyTransparency();
        prefs = std::make_unique<TF_Prefs>(*window);
        return *prefs;
    }

    // Opens the dialog the way the checker window's "Preferences..." command does.
    TF_Prefs &open()
    {
        window->Button2Click();
        return *prefs;
    }

    template <typename T>
    T *widget(const char *name) const
    {
        T *w = prefs->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }

    // A choice in a drop-down list, as the user makes it.
    void choose(const char *combo, int index) const
    {
        QComboBox *box = widget<QComboBox>(combo);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    void showPage(const char *page) const
    {
        widget<QTabWidget>("PageControl1")->setCurrentWidget(widget<QWidget>(page));
    }

    TAccountData &account(int n) const { return window->Accounts.data(n); }
};
