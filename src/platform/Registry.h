#pragma once

// The program-wide instance of a platform interface: the real implementation unless a test
// has put another one in its place. The registry never owns a replacement.
template <typename Interface>
class Registry
{
public:
    static Interface &get(Interface &real)
    {
        return m_replacement ? *m_replacement : real;
    }
    static void set(Interface *replacement) { m_replacement = replacement; }

private:
    static inline Interface *m_replacement = nullptr;
};
