#pragma once

#include <QColor>
#include <QtGlobal>

// A colour set in 0x00BBGGRR values; 0x80000000 + n names system colour n.
struct TCheckerColors
{
    bool UsesBlueSet = true;
    qint32 BorderSize = 0;
    quint32 Back = 0x660000;
    quint32 Active = 0xB08080;
    quint32 Idle = 0x904040;
    quint32 Connected = 0x00BBDD;
    quint32 Error = 0x0000FF;
    quint32 Font = 0xFFFFFF;

    static TCheckerColors blueDefaults() { return TCheckerColors(); }
    static TCheckerColors windowsSet()
    {
        TCheckerColors c;
        c.UsesBlueSet = false;
        c.BorderSize = 1;
        c.Back = 0x80000004; // the system menu colour
        c.Active = 0xFFFFFF;
        c.Idle = 0x808080;
        c.Connected = 0x008000;
        c.Error = 0x0000FF;
        c.Font = 0x000000;
        return c;
    }

    // The colour a value stands for on this desktop; system colours come from the palette.
    static QColor toQColor(quint32 value);
    // System colour n (0 scroll bar ... 30 menu bar) as this desktop paints it.
    static QColor systemColor(int index);
};
