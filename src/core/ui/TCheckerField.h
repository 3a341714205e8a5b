#pragma once

#include <QColor>
#include <QWidget>

class QMenu;

// One account's coloured field: the count as centred bold text on the account's colour,
// with a raised bevel. A double-click asks for a check; a right click opens its menu. The
// field keeps every mouse press and move to itself: only the window's background floats and
// drags the window.
class TCheckerField : public QWidget
{
    Q_OBJECT
public:
    explicit TCheckerField(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    quint32 colorValue() const { return m_colorValue; }
    void setColorValue(quint32 value);
    QColor color() const;
    void setTextColorValue(quint32 value);
    quint32 textColorValue() const { return m_textColorValue; }
    void setBevelWidth(int width);
    int bevelWidth() const { return m_bevel; }
    void setPopupMenu(QMenu *menu) { m_menu = menu; }
    QMenu *popupMenu() const { return m_menu; }
    // The font the text is drawn in.
    QFont textFont() const;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString m_text;
    quint32 m_colorValue = 0;
    quint32 m_textColorValue = 0xFFFFFF;
    int m_bevel = 0;
    QMenu *m_menu = nullptr;
};
