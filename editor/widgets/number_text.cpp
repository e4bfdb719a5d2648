#include "widgets/number_text.h"

#include <QByteArray>

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vantor {

namespace {

// Numbers in the fields are read and written with a dot as the decimal mark,
// whatever locale Qt took from the environment.
locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

QString formatInCLocale(const char* pattern, double value) {
    const locale_t previous = uselocale(cLocale());
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    uselocale(previous);
    return QString::fromLatin1(buffer);
}

}  // namespace

// The field's text with a decimal comma read as a dot: the fields hold no
// thousands separators, so a comma can only be a decimal mark.
static QByteArray numberText(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    bytes.replace(',', '.');
    return bytes;
}

float toFloat(const QString& text) {
    const QByteArray bytes = numberText(text);
    return static_cast<float>(strtod_l(bytes.constData(), nullptr, cLocale()));  // atof, with a dot
}

int toInt(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::atoi(bytes.constData());
}

bool isNumber(const QString& text, double* value) {
    const QByteArray bytes = numberText(text.trimmed());
    if (bytes.isEmpty()) return false;
    char* end = nullptr;
    const double v = strtod_l(bytes.constData(), &end, cLocale());
    if (end == bytes.constData() || *end != '\0') return false;
    if (value) *value = v;
    return true;
}

bool isInteger(const QString& text, int* value) {
    const QByteArray bytes = text.trimmed().toLocal8Bit();
    if (bytes.isEmpty()) return false;
    char* end = nullptr;
    const long v = std::strtol(bytes.constData(), &end, 10);
    if (end == bytes.constData() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    if (value) *value = static_cast<int>(v);
    return true;
}

QString format(const char* pattern, double value) { return formatInCLocale(pattern, value); }

QString formatInt(int value) { return QString::number(value); }

bool textShows(const QString& text, double value) {
    double shown = 0;
    if (!isNumber(text, &shown)) return false;
    const QString t = text.trimmed();
    if (t.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return std::fabs(shown - value) <= 1e-6 * std::max(std::fabs(value), 1e-30);
    const int mark = std::max(t.indexOf(QLatin1Char('.')), t.indexOf(QLatin1Char(',')));
    const int decimals = mark < 0 ? 0 : static_cast<int>(t.size()) - mark - 1;
    // Half a unit of the last digit written, and the rounding of a float.
    const double tolerance = 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-6 * std::fabs(value);
    return std::fabs(shown - value) <= tolerance;
}

QString formatG6(double value) { return formatInCLocale("%.6g", value); }

QString stepNumber(const QString& text, int steps, Qt::KeyboardModifiers modifiers, double low, double high) {
    const QString trimmed = text.trimmed();
    double value = 0;
    if (!trimmed.isEmpty() && !isNumber(trimmed, &value)) return {};
    // The unit of the last digit shown: "0.50" steps by 0.01, "12" by 1.
    const int separator = std::max<int>(trimmed.lastIndexOf(QLatin1Char('.')), trimmed.lastIndexOf(QLatin1Char(',')));
    int decimals = 0;
    if (separator >= 0) {
        for (int i = separator + 1; i < trimmed.size() && trimmed[i].isDigit(); ++i) ++decimals;
    }
    double unit = std::pow(10.0, -decimals);
    if (modifiers & Qt::ShiftModifier) unit *= 10;
    if (modifiers & Qt::ControlModifier) {
        unit /= 10;
        ++decimals;
    }
    // Kept on the grid of the last digit written, so that repeated steps
    // never gather rounding.
    const double fine = std::pow(10.0, -decimals);
    const double stepped = std::round((value + steps * unit) / fine) * fine;
    const double kept = std::clamp(stepped, low, high);
    return QString::number(kept, 'f', decimals);
}

}  // namespace vantor
