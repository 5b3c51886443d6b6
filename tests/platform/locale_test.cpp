#include "platform/locale.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "sample/text_format.h"

namespace fendrel {
namespace {

TEST(Locale, SeparatorsOfLocales) {
  const TLocaleSeparators c = SeparatorsOf(QLocale::c());
  EXPECT_EQ(c.Decimal, '.');
  EXPECT_EQ(c.Thousands, ",");
  const TLocaleSeparators german = SeparatorsOf(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(german.Decimal, ',');
  EXPECT_EQ(german.Thousands, ".");
  // A separator that is not one ASCII character cannot go into an 8-bit file.
  const TLocaleSeparators arabic = SeparatorsOf(QLocale(QLocale::Arabic, QLocale::Egypt));
  EXPECT_EQ(arabic.Decimal, '.');
}

TEST(Locale, ApplyingMakesTheSeparatorsCurrent) {
  ApplySeparators({',', QString(QChar(0x00A0))});
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(ThousandsSeparator(), QString(QChar(0x00A0)));
  ApplySystemLocale();
  EXPECT_EQ(DecimalSeparator(), SeparatorsOf(QLocale::system()).Decimal);
  EXPECT_EQ(ThousandsSeparator(), QLocale::system().groupSeparator());
  ApplySeparators({'.', ","});
}

}  // namespace
}  // namespace fendrel
