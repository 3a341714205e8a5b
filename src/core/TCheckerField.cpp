#include "core/TCheckerField.h"

#include "core/TBevel.h"
#include "core/TCheckerColors.h"

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
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, m_text);
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
