#include "platform/locale.h"

#include <QLocale>

#include "sample/text_format.h"

namespace fendrel {

namespace {

QString& CurrentThousands() {
  static QString separator = QStringLiteral(",");
  return separator;
}

}  // namespace

TLocaleSeparators SeparatorsOf(const QLocale& locale) {
  TLocaleSeparators separators;
  const QString decimal = locale.decimalPoint();
  if (decimal.size() == 1 && decimal.front().unicode() > 32 && decimal.front().unicode() < 127) {
    separators.Decimal = static_cast<char>(decimal.front().unicode());
  }
  separators.Thousands = locale.groupSeparator();
  return separators;
}

void ApplySystemLocale() { ApplySeparators(SeparatorsOf(QLocale::system())); }

void ApplySeparators(const TLocaleSeparators& separators) {
  SetDecimalSeparator(separators.Decimal);
  CurrentThousands() = separators.Thousands;
}

QString ThousandsSeparator() { return CurrentThousands(); }

}  // namespace fendrel
