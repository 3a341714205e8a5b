#include "ScriptedUserPrompts.h"

#include <QCoro/QCoroSignal>

ScriptedUserPrompts::ScriptedUserPrompts()
{
    UserPrompts::setInstance(this);
}

ScriptedUserPrompts::~ScriptedUserPrompts()
{
    if (&UserPrompts::instance() == this)
        UserPrompts::setInstance(nullptr);
}

void ScriptedUserPrompts::answerButton(Button button)
{
    m_answers << Answer(button);
}

void ScriptedUserPrompts::answerText(const QString &text)
{
    m_answers << Answer(text);
}

void ScriptedUserPrompts::answerColor(const QColor &color)
{
    m_answers << Answer(color);
}

void ScriptedUserPrompts::answerCancel()
{
    m_answers << Answer(Cancel{});
}

void ScriptedUserPrompts::clear()
{
    m_answers.clear();
    m_asked.clear();
    m_unexpected = 0;
}

std::optional<ScriptedUserPrompts::Answer> ScriptedUserPrompts::next()
{
    if (m_answers.isEmpty())
        return std::nullopt;
    return m_answers.takeFirst();
}

UserPrompts::Button ScriptedUserPrompts::message(QWidget *, const QString &caption, const QString &text,
                                                 Icon icon, const QList<Button> &buttons)
{
    const QList<Button> offered = buttons.isEmpty() ? QList<Button>{Button::Ok} : buttons;
    Question question;
    question.kind = Kind::Message;
    question.caption = caption;
    question.text = text;
    question.icon = icon;
    question.buttons = offered;
    m_asked << question;

    const std::optional<Answer> answer = next();
    if (answer && std::holds_alternative<Button>(*answer) && offered.contains(std::get<Button>(*answer)))
        return std::get<Button>(*answer);
    ++m_unexpected;
    for (Button mild : {Button::Cancel, Button::No}) {
        if (offered.contains(mild))
            return mild;
    }
    return offered.constFirst();
}

std::optional<QString> ScriptedUserPrompts::textAnswer()
{
    const std::optional<Answer> answer = next();
    if (answer && std::holds_alternative<QString>(*answer))
        return std::get<QString>(*answer);
    if (!answer || !std::holds_alternative<Cancel>(*answer))
        ++m_unexpected;
    return std::nullopt;
}

std::optional<QString> ScriptedUserPrompts::input(QWidget *, const QString &caption, const QString &label,
                                                  const QString &initial)
{
    Question question;
    question.kind = Kind::Input;
    question.caption = caption;
    question.text = label;
    question.initial = initial;
    m_asked << question;
    return textAnswer();
}

std::optional<QString> ScriptedUserPrompts::password(const QString &prompt)
{
    Question question;
    question.kind = Kind::Password;
    question.caption = QStringLiteral("Enter Password");
    question.text = prompt;
    m_asked << question;
    return textAnswer();
}

QCoro::Task<std::optional<QString>> ScriptedUserPrompts::askPassword(const QString &prompt)
{
    if (m_holding)
        co_await qCoro(&m_gate, &PasswordGate::opened);
    co_return password(prompt);
}

void ScriptedUserPrompts::releasePasswords()
{
    m_holding = false;
    // From the event loop, never inside the caller: the checks resume on their own.
    QMetaObject::invokeMethod(&m_gate, &PasswordGate::opened, Qt::QueuedConnection);
}

std::optional<QString> ScriptedUserPrompts::openFile(QWidget *, const QString &caption, const QString &dir,
                                                     const QString &filter)
{
    Question question;
    question.kind = Kind::OpenFile;
    question.caption = caption;
    question.initial = dir;
    question.filter = filter;
    m_asked << question;
    return textAnswer();
}

std::optional<QColor> ScriptedUserPrompts::color(QWidget *, const QColor &initial)
{
    Question question;
    question.kind = Kind::Color;
    question.initialColor = initial;
    m_asked << question;
    const std::optional<Answer> answer = next();
    if (answer && std::holds_alternative<QColor>(*answer))
        return std::get<QColor>(*answer);
    if (!answer || !std::holds_alternative<Cancel>(*answer))
        ++m_unexpected;
    return std::nullopt;
}
