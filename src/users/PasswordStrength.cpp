#include "users/PasswordStrength.h"

#include <QStringList>

namespace {

struct Counts
{
    int length = 0;
    bool lower = false;
    bool upper = false;
    bool digit = false;
    bool other = false;
    int Kinds() const { return int(lower) + int(upper) + int(digit) + int(other); }
};

Counts Count(const QString& password)
{
    Counts counts;
    for (const char32_t code : password.toUcs4()) {
        ++counts.length;
        if (QChar::isLower(code)) {
            counts.lower = true;
        } else if (QChar::isUpper(code)) {
            counts.upper = true;
        } else if (QChar::isDigit(code)) {
            counts.digit = true;
        } else {
            counts.other = true;
        }
    }
    return counts;
}

} // namespace

PasswordStrength::Level PasswordStrength::Rate(const QString& password)
{
    const Counts counts = Count(password);
    if (counts.length == 0) {
        return Level::None;
    }
    if (counts.length < 8 || (counts.Kinds() == 1 && counts.length < 12)) {
        return Level::Weak;
    }
    if (counts.length >= 16 || (counts.length >= 12 && counts.Kinds() >= 3)) {
        return Level::Strong;
    }
    return Level::Fair;
}

QString PasswordStrength::Hint(const QString& password)
{
    const Level level = Rate(password);
    if (level == Level::None) {
        return {};
    }
    const Counts counts = Count(password);
    QStringList kinds;
    if (counts.lower) {
        kinds << QStringLiteral("lower case");
    }
    if (counts.upper) {
        kinds << QStringLiteral("upper case");
    }
    if (counts.digit) {
        kinds << QStringLiteral("digits");
    }
    if (counts.other) {
        kinds << QStringLiteral("symbols");
    }
    const QString rating = level == Level::Weak   ? QStringLiteral("Weak")
                           : level == Level::Fair ? QStringLiteral("Fair")
                                                  : QStringLiteral("Strong");
    QString hint = QStringLiteral("%1: %2 character%3, %4 kind%5 (%6).")
                       .arg(rating)
                       .arg(counts.length)
                       .arg(counts.length == 1 ? QString() : QStringLiteral("s"))
                       .arg(kinds.size())
                       .arg(kinds.size() == 1 ? QString() : QStringLiteral("s"))
                       .arg(kinds.join(QStringLiteral(", ")));
    if (level != Level::Strong) {
        hint += QStringLiteral(" Longer and more varied is harder to guess.");
    }
    return hint;
}
