#include "common/RandomString.h"

#include <QRandomGenerator>

QString RandomString(int n)
{
    static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr quint32 kSize = sizeof(kAlphabet) - 1;

    QString result;
    if (n <= 0) {
        return result;
    }
    result.reserve(n);
    auto* rng = QRandomGenerator::system();
    for (int i = 0; i < n; ++i) {
        result.append(QLatin1Char(kAlphabet[rng->bounded(kSize)]));
    }
    return result;
}
