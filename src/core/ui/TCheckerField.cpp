#include "core/ui/TCheckerField.h"

#include "core/ui/TBevel.h"
#include "core/ui/TCheckerColors.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QPainter>

TCheckerField::TCheckerField(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves over a field belong to the field, with or without a button held.
    setMouseTracking(true);
    setAttribute(Qt::WA_NoMousePropagation);
}

void TCheckerField::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    update();
}

void TCheckerField::setColorValue(quint32 value)
{
    if (m_colorValue == value)
        return;
    m_colorValue = value;
    update();
}

QColor TCheckerField::color() const
{
    return TCheckerColors::toQColor(m_colorValue);
}

void TCheckerField::setTextColorValue(quint32 value)
{
    m_textColorValue = value;
    update();
}

void TCheckerField::setBevelWidth(int width)
{
    m_bevel = qMax(0, width);
    update();
}

void TCheckerField::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), color());
    TBevel::draw(p, rect(), m_bevel, TBevel::Raised);
    p.setPen(TCheckerColors::toQColor(m_textColorValue));
    p.setFont(textFont());
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

QFont TCheckerField::textFont() const
{
    // The designed font, unless the count is wider than the space inside the bevel: then the
    // largest smaller size that fits, so a long count is drawn whole instead of clipped.
    const int room = width() - 2 * m_bevel;
    QFont f = font();
    const auto fits = [&] {
        const QFontMetrics m(f);
        // Smoothing reaches a pixel beyond the glyphs' outline on either side.
        return qMax(m.horizontalAdvance(m_text), m.tightBoundingRect(m_text).width() + 2) < room;
    };
    const bool inPoints = f.pointSize() > 0;
    int size = inPoints ? f.pointSize() : f.pixelSize();
    while (size > 1 && !fits()) {
        --size;
        if (inPoints)
            f.setPointSize(size);
        else
            f.setPixelSize(size);
    }
    return f;
}

void TCheckerField::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit doubleClicked();
}

// Accepted, so the event does not travel on to the background panel.
void TCheckerField::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void TCheckerField::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void TCheckerField::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void TCheckerField::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_menu) {
        event->accept();
        m_menu->popup(event->globalPos());
    }
}
