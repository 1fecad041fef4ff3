#include "host/components/trad.h"

#include "host/components/touch_style.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QWidget>

#include <gtest/gtest.h>

namespace totem::host {
namespace {

QFont Font(const char* family, int pixels, bool bold = false) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

class TradTest : public ::testing::Test {
 protected:
  TradTest() {
    QFont formFont("MS Sans Serif");
    formFont.setPointSize(8);
    form.setFont(formFont);
    value->setFont(Font("MS Sans Serif", 16));
    caption->setFont(Font("Tahoma", 16, true));
    installed->setFont(Font("DejaVu Sans Mono", 12));
  }

  QWidget form;
  QLabel* value = new QLabel("valor", &form);
  QLabel* caption = new QLabel("caixa", &form);
  QLabel* installed = new QLabel("mono", &form);
  QLabel* inheriting = new QLabel("herda", &form);
};

TEST_F(TradTest, MissingFamiliesBecomeTheClosestSansKeepingPixelSizeAndWeight) {
  ASSERT_FALSE(QFontDatabase::families().contains("Tahoma"));
  ASSERT_TRUE(QFontDatabase::families().contains(ClosestSansFamily()));
  Trad(&form);
  EXPECT_EQ(value->font().family(), ClosestSansFamily());
  EXPECT_EQ(value->font().pixelSize(), 16);
  EXPECT_EQ(caption->font().family(), ClosestSansFamily());
  EXPECT_EQ(caption->font().pixelSize(), 16);
  EXPECT_TRUE(caption->font().bold());
  EXPECT_EQ(installed->font().family(), QString("DejaVu Sans Mono"));
  EXPECT_EQ(installed->font().pixelSize(), 12);
}

TEST_F(TradTest, PointSizesBecomeThePixelSizeOfTheDesignScreen) {
  Trad(&form);
  EXPECT_EQ(form.font().pixelSize(), 11);  // 8 pt at 96 dpi
  EXPECT_EQ(inheriting->font().family(), ClosestSansFamily());
  EXPECT_EQ(inheriting->font().pixelSize(), 11);
}

TEST_F(TradTest, FormSpeaksBrazilianPortuguese) {
  Trad(&form);
  EXPECT_EQ(form.locale().language(), QLocale::Portuguese);
  EXPECT_EQ(form.locale().territory(), QLocale::Brazil);
}

TEST_F(TradTest, SecondCallChangesNothing) {
  Trad(&form);
  value->setFont(Font("Tahoma", 20));
  Trad(&form);
  EXPECT_EQ(value->font().family(), QString("Tahoma"));
}

}  // namespace
}  // namespace totem::host
