#include "UserPrompts.h"

#include "Registry.h"

namespace {

// What a process without a screen answers: nobody is there to ask.
class HeadlessPrompts : public UserPrompts
{
public:
    Button message(QWidget *, const QString &, const QString &, Icon, const QList<Button> &buttons) override
    {
        for (Button mild : {Button::Cancel, Button::No})
            if (buttons.contains(mild))
                return mild;
        return buttons.isEmpty() ? Button::Ok : buttons.constFirst();
    }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> password(const QString &) override { return std::nullopt; }
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QColor> color(QWidget *, const QColor &) override { return std::nullopt; }
};

UserPrompts *defaultPrompts = nullptr;

} // namespace

QCoro::Task<std::optional<QString>> UserPrompts::askPassword(const QString &prompt)
{
    co_return password(prompt);
}

UserPrompts &UserPrompts::instance()
{
    static HeadlessPrompts headless;
    return Registry<UserPrompts>::get(defaultPrompts ? *defaultPrompts : headless);
}

void UserPrompts::setInstance(UserPrompts *prompts)
{
    Registry<UserPrompts>::set(prompts);
}

void UserPrompts::setDefault(UserPrompts *prompts)
{
    defaultPrompts = prompts;
}
