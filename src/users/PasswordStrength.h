#pragma once

#include <QString>

// A short, non-binding hint on how hard a password is to guess, from its
// length and the kinds of characters it mixes. Nothing is refused on it.
namespace PasswordStrength {

enum class Level
{
    None,
    Weak,
    Fair,
    Strong
};

// Kinds counted: lower case, upper case, digits, everything else.
Level Rate(const QString& password);
// For example "Weak: 6 characters, 2 kinds (lower case, digits). Longer
// and more varied is harder to guess." Empty for an empty password.
QString Hint(const QString& password);

} // namespace PasswordStrength
