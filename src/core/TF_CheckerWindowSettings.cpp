// Reading the settings file at start and writing the whole state back.
#include "core/TF_CheckerWindow.h"

#include "core/TCheckerField.h"
#include "platform/Platform.h"
#include "platform/TextBytes.h"
#include "settings/TIniFile.h"

#include <QAction>

namespace {
QByteArray number(qint32 n)
{
    return QByteArray::number(n);
}
QByteArray filterSection(qint32 k)
{
    return "Filter " + number(k);
}

// The seven keys of the custom colour set; the bevel width is always written as 0.
void writeBlueColorSet(TIniFile &ini, const TCheckerColors &c)
{
    ini.writeInteger("BlueColorSet", "BorderSize", 0);
    ini.writeInteger("BlueColorSet", "Back", qint32(c.Back));
    ini.writeInteger("BlueColorSet", "Active", qint32(c.Active));
    ini.writeInteger("BlueColorSet", "Idle", qint32(c.Idle));
    ini.writeInteger("BlueColorSet", "Connected", qint32(c.Connected));
    ini.writeInteger("BlueColorSet", "Error", qint32(c.Error));
    ini.writeInteger("BlueColorSet", "Font", qint32(c.Font));
}
} // namespace

void TF_CheckerWindow::readSettings(TIniFile &ini)
{
    if (ini.readString("Main", "on/offline", "on") == "off")
        online1Click();
    Options.AlwaysOffline = ini.readBool("Main", "AlwaysOffline", false);
    if (Options.AlwaysOffline && isOnline())
        online1Click();
    Options.AnimIcons = ini.readBool("Main", "AnimIcons", true);
    Options.Blinking = ini.readBool("Main", "Blinking", true);
    Options.Jumpback = ini.readInteger("Main", "Jumpback", 15);
    Options.AutoFloat = ini.readBool("Main", "AutoFloat", false);
    Options.StartHidden = ini.readBool("Main", "StartHidden", false);
    Options.HideWhenOffline = ini.readBool("Main", "HideWhenOffline", false);
    Options.KeepLogFile = ini.readBool("Main", "KeepLogFile", true);
    if (Options.HideWhenOffline && !isOnline())
        Options.StartHidden = true;

    if (ini.readString("Main", "ColorSet", "blue") == "blue")
        BlueColorSet();
    else
        GrayColorSet();

    // A negative count (a hand-edited file) means no accounts; one beyond what the program
    // takes counts the account sections the file really holds.
    qint32 count = qMax(0, ini.readInteger("Main", "ECount", 0));
    if (count > TAccountTable::MaxAccounts) {
        count = 0;
        while (count < TAccountTable::MaxAccounts && ini.sectionExists(number(count + 1)))
            ++count;
    }
    Accounts.AccountCount = count;
    FirstRun = Accounts.AccountCount == 0;
    if (FirstRun)
        BlueColorSet();
    E_Setlengths();

    Options.MailCountSound = ini.readString(
        "Main", "MailCountSound", Platform::joinPath(SettingsDir, QStringLiteral("Ding.wav")).toUtf8());
    Options.IncomingSound =
        ini.readString("Main", "IncomingSound",
                       Platform::joinPath(SettingsDir, QStringLiteral("Incoming Mail.wav")).toUtf8());
    Options.SoundItemIndex = ini.readInteger("Main", "SoundItemIndex", 1);
    Options.Floating = ini.readBool("Main", "Floating", false);
    Options.AlwaysOnTop = ini.readBool("Main", "AlwaysOnTop", true);
    Metrics.Round = ini.readBool("Main", "Round", true);
    Options.CheckAllWhenGoingOnline = ini.readBool("Main", "CheckAllWhenGoingOnline", true);

    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const QByteArray section = number(n);
        TAccountData &d = Accounts.data(n);
        d.Name = ini.readString(section, "Name", "#" + number(n));
        d.Host = ini.readString(section, "Host", "");
        d.UserID = ini.readString(section, "UserID", "");
        d.Password = ini.readStoredPassword(section, "Password");
        d.SavePwd = ini.readBool(section, "SavePwd", true);
        d.Timer = ini.readInteger(section, "Timer", 500000);
        d.Active = ini.readBool(section, "Active", false);
        if (d.Active)
            setFieldColor(n, Colors.Active);
        d.Sound = ini.readBool(section, "Sound", true);
        d.Show = ini.readBool(section, "Show", true);
        d.List = ini.readBool(section, "List", true);
        d.CustomMailClientPath = ini.readString(section, "CustomMailClientPath", "");
        d.DefaultMailClient = ini.readInteger(section, "DefaultMailClient", 0);
        d.Security = ini.readString(section, "Security", "auto").toLower();
        d.CertFingerprint = ini.readString(section, "CertFingerprint", "");
        updateFieldTooltip(n); // the hint is the account's name
        if (Accounts.slot(n).AccountListItem)
            Accounts.slot(n).AccountListItem->setText(TextBytes::toText(d.Name));
        if (!d.List && Accounts.slot(n).MailListItem)
            Accounts.slot(n).MailListItem->setEnabled(false);
    }

    Filters.clear();
    const qint32 filterCount = ini.readInteger("Main", "FilterCount", 0);
    for (qint32 k = 0; k < filterCount; ++k) {
        TFilter f;
        const QByteArray section = filterSection(k);
        f.IfCondition = ini.readInteger(section, "IfCondition", -1);
        f.Account = ini.readInteger(section, "Account", -1);
        f.Action = ini.readInteger(section, "Action", -1);
        f.Argument = ini.readString(section, "Argument", "");
        Filters.append(f);
    }

    Metrics.CheckerWidth = ini.readInteger("Metrics", "CheckerWidth", 20);
    Metrics.CheckerHeight = ini.readInteger("Metrics", "CheckerHeight", 18);
    Metrics.VSpace = ini.readInteger("Metrics", "VSpace", 8);
    Metrics.HSpace = ini.readInteger("Metrics", "HSpace", 6);
    Metrics.FontSize = ini.readInteger("Metrics", "FontSize", 9);
    EShowTest();

    readPositions(ini);

    Options.ForceTransparency = ini.readBool("Main", "ForceTransparency", false);
    Options.Transparency = ini.readBool("Main", "Transparency", true);
    Options.TransparencyValue = ini.readInteger("Main", "TransparencyValue", 200);
}

void TF_CheckerWindow::saveSettings()
{
    TIniFile ini(settingsFileName());
    TIniFile::Batch batch(ini);

    ini.writeString("Main", "on/offline", isOnline() ? "on" : "off");
    ini.writeBool("Main", "AlwaysOffline", Options.AlwaysOffline);
    ini.writeString("Main", "ReleaseNr", "16");
    ini.writeBool("Main", "AnimIcons", Options.AnimIcons);
    ini.writeBool("Main", "Blinking", Options.Blinking);
    ini.writeInteger("Main", "Jumpback", Options.Jumpback);
    ini.writeBool("Main", "AutoFloat", Options.AutoFloat);
    ini.writeBool("Main", "Hidden", isHidden());
    ini.writeBool("Main", "HideWhenOffline", Options.HideWhenOffline);
    ini.writeInteger("Main", "defaultX", Options.defaultX);
    ini.writeInteger("Main", "defaultY", Options.defaultY);
    ini.writeInteger("Main", "alternativeX", Options.alternativeX);
    ini.writeInteger("Main", "alternativeY", Options.alternativeY);
    ini.writeString("Main", "ColorSet", Colors.UsesBlueSet ? "blue" : "gray");
    ini.writeInteger("Main", "ECount", Accounts.AccountCount);
    ini.writeString("Main", "MailCountSound", Options.MailCountSound);
    ini.writeString("Main", "IncomingSound", Options.IncomingSound);
    ini.writeInteger("Main", "SoundItemIndex", Options.SoundItemIndex);
    ini.writeBool("Main", "Floating", Floating1->isChecked());
    ini.writeBool("Main", "AlwaysOnTop", AlwaysonTop1->isChecked());
    ini.writeBool("Main", "KeepLogFile", Options.KeepLogFile);
    ini.writeBool("Main", "Transparency", Options.Transparency);
    ini.writeInteger("Main", "TransparencyValue", Options.TransparencyValue);
    ini.writeBool("Main", "Round", Metrics.Round);
    ini.writeBool("Main", "CheckAllWhenGoingOnline", Options.CheckAllWhenGoingOnline);

    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const QByteArray section = number(n);
        const TAccountData &d = Accounts.data(n);
        ini.writeString(section, "Name", d.Name);
        ini.writeString(section, "Host", d.Host);
        ini.writeString(section, "UserID", d.UserID);
        ini.writeStoredPassword(section, "Password", d.SavePwd ? d.Password : QByteArray());
        ini.writeBool(section, "SavePwd", d.SavePwd);
        ini.writeInteger(section, "Timer", d.Timer);
        ini.writeBool(section, "Active", d.Active);
        ini.writeBool(section, "Sound", d.Sound);
        ini.writeBool(section, "Show", d.Show);
        ini.writeBool(section, "List", d.List);
        ini.writeString(section, "CustomMailClientPath", d.CustomMailClientPath);
        ini.writeInteger(section, "DefaultMailClient", d.DefaultMailClient);
        ini.writeString(section, "Security", d.Security.isEmpty() ? QByteArray("auto") : d.Security);
        ini.writeString(section, "CertFingerprint", d.CertFingerprint);
    }
    // Stale account sections: the walk stops where the next section is absent.
    for (qint32 n = Accounts.AccountCount + 1;; ++n) {
        if (ini.sectionExists(number(n)))
            ini.eraseSection(number(n));
        if (!ini.sectionExists(number(n + 1)))
            break;
    }

    ini.writeInteger("Main", "FilterCount", qint32(Filters.size()));
    for (qint32 k = 0; k < Filters.size(); ++k) {
        const TFilter &f = Filters.at(k);
        const QByteArray section = filterSection(k);
        ini.writeInteger(section, "IfCondition", f.IfCondition);
        ini.writeInteger(section, "Account", f.Account);
        ini.writeInteger(section, "Action", f.Action);
        ini.writeString(section, "Argument", f.Argument);
    }
    for (qint32 k = qint32(Filters.size());; ++k) {
        if (ini.sectionExists(filterSection(k)))
            ini.eraseSection(filterSection(k));
        if (!ini.sectionExists(filterSection(k + 1)))
            break;
    }

    if (!ini.sectionExists("BlueColorSet"))
        writeBlueColorSet(ini, TCheckerColors::blueDefaults());

    ini.writeInteger("Metrics", "CheckerWidth", Metrics.CheckerWidth);
    ini.writeInteger("Metrics", "CheckerHeight", Metrics.CheckerHeight);
    ini.writeInteger("Metrics", "VSpace", Metrics.VSpace);
    ini.writeInteger("Metrics", "HSpace", Metrics.HSpace);
    ini.writeInteger("Metrics", "FontSize", Metrics.FontSize);
}

void TF_CheckerWindow::SaveCustomColors()
{
    TIniFile ini(settingsFileName());
    TIniFile::Batch batch(ini);
    writeBlueColorSet(ini, Colors);
}
