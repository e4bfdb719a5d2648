// Numbers as the fields show them: read and written with a dot as the
// decimal mark (a comma typed is read as one), whatever the locale.
#pragma once
#include <QString>
#include <Qt>

namespace vantor {

// The standard decimal conversions: the longest leading number, 0 when none.
float toFloat(const QString& text);
int toInt(const QString& text);
// Strict forms for dialogs that refuse text that is not a number.
bool isNumber(const QString& text, double* value = nullptr);
bool isInteger(const QString& text, int* value = nullptr);

// True when `text` reads as `value` to the precision it is written with
// ("0.502" shows 0.50196, "12" shows 12.4 no longer).
bool textShows(const QString& text, double value);
// printf-style formatting of one value.
QString format(const char* pattern, double value);
QString formatInt(int value);
// The shortest form with at most six significant digits ("%.*g", precision 6).
QString formatG6(double value);

// The value of `text` moved by `steps` units of its last shown digit (Shift:
// ten units, Ctrl: a tenth), kept within low..high and written with as many
// decimals as the unit needs; empty when the text is not a number.
QString stepNumber(const QString& text, int steps, Qt::KeyboardModifiers modifiers, double low, double high);

}  // namespace vantor
