#pragma once

// A checker window started on a settings directory of the test's own.
#include "core/TF_CheckerWindow.h"
#include "net/TNMPOP3.h"
#include "settings/TIniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct CheckerFixture
{
    QTemporaryDir dir;
    std::unique_ptr<TF_CheckerWindow> window;

    QString iniPath() const { return dir.filePath(QStringLiteral("vorlo.ini")); }

    void writeIni(const QByteArray &content) const
    {
        QFile f(iniPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the test settings file");
        f.write(content);
    }

    QByteArray readIni() const
    {
        QFile f(iniPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    TF_CheckerWindow &start(QStringList extraArgs = {})
    {
        window.reset();
        QStringList args{QStringLiteral("-d"), dir.path()};
        args += extraArgs;
        window = std::make_unique<TF_CheckerWindow>(args);
        return *window;
    }
};
