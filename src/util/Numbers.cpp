#include "util/Numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace zkd {

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    std::string digits;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-'))
            digits.push_back('-');
        ++i;
    }
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.push_back(static_cast<char>(c.unicode()));
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            digits.push_back('.');
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    // Always a point, whatever the locale the program runs under: strtod would
    // follow the locale's decimal mark and stop at the point under a German one.
    double value = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

std::optional<std::int64_t> roundHalfEven(double value, std::int64_t min, std::int64_t max)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (r < static_cast<double>(min) || r > static_cast<double>(max))
        return std::nullopt;
    return static_cast<std::int64_t>(r);
}

} // namespace zkd
