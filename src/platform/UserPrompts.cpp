#include "UserPrompts.h"

#include "DialogPrompts.h"
#include "Registry.h"

UserPrompts &UserPrompts::instance()
{
    static DialogPrompts real;
    return Registry<UserPrompts>::get(real);
}

void UserPrompts::setInstance(UserPrompts *prompts)
{
    Registry<UserPrompts>::set(prompts);
}
