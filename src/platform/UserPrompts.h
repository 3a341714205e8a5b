#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QCoro/QCoroTask>
#include <optional>

class QWidget;

// Every modal question the program asks goes through here, so tests can answer
// them from a script instead of a screen.
class UserPrompts
{
public:
    enum class Button { Ok, Cancel, Yes, No };
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~UserPrompts() = default;

    // A message box; `buttons` lists what is offered, the answer is one of them.
    virtual Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                           const QList<Button> &buttons) = 0;
    // A one-line input box; empty optional when cancelled.
    virtual std::optional<QString> input(QWidget *parent, const QString &caption, const QString &label,
                                         const QString &initial) = 0;
    // The "Enter Password" dialog of the check; empty optional when cancelled.
    virtual std::optional<QString> password(const QString &prompt) = 0;
    // The same question asked by a running check: it suspends the check until the answer and
    // never runs a loop of its own, so other checks go on meanwhile. By default it asks
    // `password` at once.
    [[nodiscard]] virtual QCoro::Task<std::optional<QString>> askPassword(const QString &prompt);
    // A file-open dialog; empty optional when cancelled.
    virtual std::optional<QString> openFile(QWidget *parent, const QString &caption, const QString &dir,
                                            const QString &filter) = 0;
    // A colour dialog; empty optional when cancelled.
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;

    // The program-wide instance; tests replace it with a scripted one.
    static UserPrompts &instance();
    static void setInstance(UserPrompts *prompts); // nullptr restores the default
    // The default: the real dialogs, installed by the windowed program. Without one (a process
    // without a screen) every question is cancelled and every message gets its mildest answer.
    static void setDefault(UserPrompts *prompts);
};
