#include "PasswordDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

PasswordDialog::PasswordDialog(const QString &prompt, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QLatin1String(DialogName));
    setWindowTitle(QStringLiteral("Enter Password"));
    setFixedSize(300, 100);

    m_prompt = new QLabel(prompt, this);
    m_prompt->setObjectName(QLatin1String(PromptName));
    m_prompt->setWordWrap(false);
    m_prompt->setGeometry(8, 16, 201, m_prompt->fontMetrics().height());

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QLatin1String(EditName));
    m_edit->setGeometry(8, 40, 201, 21);
    m_edit->setEchoMode(QLineEdit::Password);
    // The style decides the echo character; the dialog always shows "*".
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QLatin1String(OkName));
    m_ok->setGeometry(224, 8, 67, 24);
    m_ok->setDefault(true);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QLatin1String(CancelName));
    m_cancel->setGeometry(224, 40, 67, 24);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_edit, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_edit->setFocus();
    centreOnScreen();
}

QString PasswordDialog::text() const
{
    return m_edit->text();
}

std::optional<QString> PasswordDialog::ask(const QString &prompt)
{
    PasswordDialog dialog(prompt);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

void PasswordDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The frame is known once the window exists; centre the whole window, frame included.
    centreOnScreen();
}

void PasswordDialog::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}
