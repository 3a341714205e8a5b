#include "core/ui/TCheckerColors.h"

#include <QGuiApplication>
#include <QPalette>

QColor TCheckerColors::systemColor(int index)
{
    // The desktop's palette stands in for the system colours; each index takes the role that
    // paints the same kind of surface or text here.
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 0: // scroll bar
    case 15: // button face
        return palette.color(QPalette::Button);
    case 1: // desktop
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 2: // active caption
    case 13: // highlight
    case 27: // gradient of the active caption
    case 29: // menu highlight
        return palette.color(QPalette::Highlight);
    case 3: // inactive caption
    case 12: // application workspace
    case 28: // gradient of the inactive caption
        return palette.color(QPalette::Mid);
    case 4: // menu
    case 10: // active border
    case 11: // inactive border
    case 30: // menu bar
        return palette.color(QPalette::Window);
    case 5: // window background
        return palette.color(QPalette::Base);
    case 6: // window frame
    case 21: // 3-D dark shadow
        return palette.color(QPalette::Shadow);
    case 7: // menu text
        return palette.color(QPalette::WindowText);
    case 8: // window text
        return palette.color(QPalette::Text);
    case 9: // caption text
    case 14: // highlighted text
        return palette.color(QPalette::HighlightedText);
    case 17: // grey (disabled) text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 19: // inactive caption text
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 22: // 3-D light
        return palette.color(QPalette::Midlight);
    case 23: // tooltip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return palette.color(QPalette::ToolTipBase);
    case 26: // hot-tracked item
        return palette.color(QPalette::Link);
    default: // no such system colour: black, as the system answers
        return QColor(0, 0, 0);
    }
}

QColor TCheckerColors::toQColor(quint32 value)
{
    if (value & 0x80000000u)
        return systemColor(int(value & 0xFFu));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
