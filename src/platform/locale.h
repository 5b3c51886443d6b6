#pragma once

#include <QString>

class QLocale;

namespace fendrel {

struct TLocaleSeparators {
  char Decimal = '.';
  QString Thousands;
};

// The separators of a locale. The decimal separator is written into 8-bit
// text files, so a locale whose separator is missing or is not one ASCII
// character gives a full stop.
TLocaleSeparators SeparatorsOf(const QLocale& locale);

// Reads the user's separators from the system locale and makes them current:
// the decimal separator of every number text and the thousands separator of
// the spin-button edits. Run at start and whenever the locale changes.
void ApplySystemLocale();

// Makes the given separators current (tests use it to pick a locale).
void ApplySeparators(const TLocaleSeparators& separators);

// The current thousands separator (may be empty).
QString ThousandsSeparator();

}  // namespace fendrel
