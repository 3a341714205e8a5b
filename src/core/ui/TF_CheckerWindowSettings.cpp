// Reading the settings file at start and writing the whole state back.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "platform/TextBytes.h"
#include "settings/TIniFile.h"

#include <QAction>

namespace {
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
    // The options, the accounts and the rules of the engine.
    m_engine->readSettings(ini);
    if (Options.AlwaysOffline && isOnline())
        online1Click();
    Options.AnimIcons = ini.readBool("Main", "AnimIcons", true);
    Options.Blinking = ini.readBool("Main", "Blinking", true);
    Options.Jumpback = ini.readInteger("Main", "Jumpback", 15);
    Options.AutoFloat = ini.readBool("Main", "AutoFloat", false);
    Options.StartHidden = ini.readBool("Main", "StartHidden", false);
    Options.HideWhenOffline = ini.readBool("Main", "HideWhenOffline", false);
    if (Options.HideWhenOffline && !isOnline())
        Options.StartHidden = true;

    if (ini.readString("Main", "ColorSet", "blue") == "blue")
        BlueColorSet();
    else
        GrayColorSet();

    FirstRun = Accounts.AccountCount == 0;
    if (FirstRun)
        BlueColorSet();
    E_Setlengths();

    Options.Floating = ini.readBool("Main", "Floating", false);
    Options.AlwaysOnTop = ini.readBool("Main", "AlwaysOnTop", true);
    Metrics.Round = ini.readBool("Main", "Round", true);

    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const TAccountData &d = Accounts.data(n);
        if (d.Active)
            setFieldColor(n, Colors.Active);
        updateFieldTooltip(n); // the hint is the account's name
        if (fieldSlot(n).AccountListItem)
            fieldSlot(n).AccountListItem->setText(TextBytes::toText(d.Name));
        if (!d.List && fieldSlot(n).MailListItem)
            fieldSlot(n).MailListItem->setEnabled(false);
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
    ini.writeBool("Main", "FollowNetwork", Options.FollowNetwork);
    ini.writeBool("Main", "CheckAfterResume", Options.CheckAfterResume);
    ini.writeBool("Main", "Notify", Options.Notify);

    m_engine->writeAccounts(ini);

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
