#pragma once

#include <QFrame>

// A coloured panel of the colour page: it holds a colour value (0x00BBGGRR, or a system colour
// 0x80000000 + n, kept as it is until the user picks another) and is clicked like a button.
class TColorPanel : public QFrame
{
    Q_OBJECT
public:
    explicit TColorPanel(QWidget *parent = nullptr);

    quint32 colorValue() const { return m_value; }
    void setColorValue(quint32 value);
    QColor color() const;

    // 0x00BBGGRR of a chosen colour.
    static quint32 valueOf(const QColor &color);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    quint32 m_value = 0;
};
