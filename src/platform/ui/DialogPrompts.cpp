#include "DialogPrompts.h"

#include "PasswordDialog.h"

#include <QCoro/QCoroSignal>
#include <QColorDialog>
#include <QPointer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton standardButton(UserPrompts::Button button)
{
    switch (button) {
    case UserPrompts::Button::Ok: return QMessageBox::Ok;
    case UserPrompts::Button::Cancel: return QMessageBox::Cancel;
    case UserPrompts::Button::Yes: return QMessageBox::Yes;
    case UserPrompts::Button::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(UserPrompts::Icon icon)
{
    switch (icon) {
    case UserPrompts::Icon::None: return QMessageBox::NoIcon;
    case UserPrompts::Icon::Information: return QMessageBox::Information;
    case UserPrompts::Icon::Warning: return QMessageBox::Warning;
    case UserPrompts::Icon::Critical: return QMessageBox::Critical;
    case UserPrompts::Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

UserPrompts::Button DialogPrompts::message(QWidget *parent, const QString &caption, const QString &text,
                                           Icon icon, const QList<Button> &buttons)
{
    const QList<Button> offered = buttons.isEmpty() ? QList<Button>{Button::Ok} : buttons;
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::NoButton, parent);
    for (Button button : offered)
        box.addButton(standardButton(button));
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (Button button : offered) {
        if (standardButton(button) == clicked)
            return button;
    }
    // Closed without a button (possible only when no escape button exists): the mildest answer.
    for (Button mild : {Button::Cancel, Button::No}) {
        if (offered.contains(mild))
            return mild;
    }
    return offered.constFirst();
}

std::optional<QString> DialogPrompts::input(QWidget *parent, const QString &caption, const QString &label,
                                            const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> DialogPrompts::password(const QString &prompt)
{
    return PasswordDialog::ask(prompt);
}

QCoro::Task<std::optional<QString>> DialogPrompts::askPassword(const QString &prompt)
{
    QPointer<PasswordDialog> dialog = new PasswordDialog(prompt);
    dialog->setWindowModality(Qt::ApplicationModal);
    std::optional<QString> answer;
    QObject::connect(dialog, &QDialog::accepted, dialog, [&answer, d = dialog.data()] { answer = d->text(); });
    QObject::connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    dialog->open();
    // The dialog may be destroyed unanswered (the program ends): that is a cancel.
    co_await qCoro(dialog.data(), &QObject::destroyed);
    co_return answer;
}

void DialogPrompts::install()
{
    static DialogPrompts real;
    UserPrompts::setDefault(&real);
}

std::optional<QString> DialogPrompts::openFile(QWidget *parent, const QString &caption, const QString &dir,
                                               const QString &filter)
{
    const QString file = QFileDialog::getOpenFileName(parent, caption, dir, qtFileFilter(filter));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QColor> DialogPrompts::color(QWidget *parent, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

QString DialogPrompts::qtFileFilter(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts.at(i) + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    if (parts.size() % 2 == 1 && !parts.constLast().isEmpty())
        entries << parts.constLast();
    return entries.join(QLatin1String(";;"));
}
