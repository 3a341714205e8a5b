#pragma once

#include <QByteArray>

// Program-wide options beside the account table, named by their settings keys.
struct TProgramOptions
{
    bool AlwaysOffline = false;
    bool AnimIcons = true;
    bool Blinking = true;
    qint32 Jumpback = 15; // seconds
    bool AutoFloat = false;
    bool StartHidden = false;
    bool HideWhenOffline = false;
    bool KeepLogFile = true;
    QByteArray MailCountSound; // paths, as the settings file holds them
    QByteArray IncomingSound;
    qint32 SoundItemIndex = 1; // 0 never, 1 incoming, 2 mail count, 3 both
    bool Floating = false;
    bool AlwaysOnTop = true;
    bool CheckAllWhenGoingOnline = true;
    // Awareness of the desktop: checks wait for the network and run after waking from sleep;
    // new mail is announced in a desktop notification.
    bool FollowNetwork = true;
    bool CheckAfterResume = true;
    bool Notify = false;
    bool ForceTransparency = false;
    bool Transparency = true;
    qint32 TransparencyValue = 200;
    qint32 defaultX = 0;
    qint32 defaultY = 0;
    qint32 alternativeX = 1;
    qint32 alternativeY = 0;
};
