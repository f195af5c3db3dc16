// The espeak-ng voice list and the Chinese-language rule.
#include <gtest/gtest.h>

#include "platform/speech/espeakvoices.h"

TEST(Speech, EspeakListsItsVoicesOnce) {
  orvane::EspeakVoiceCatalog catalog;
  const QList<orvane::VoiceInfo> voices = catalog.voices();
  ASSERT_FALSE(voices.isEmpty()) << "espeak-ng-data is installed with the build dependencies";
  EXPECT_GT(orvane::EspeakVoiceCatalog::initializeEngine(), 0);
  int mandarin = -1;
  for (int i = 0; i < voices.size(); ++i) {
    const auto& v = voices.at(i);
    EXPECT_FALSE(v.description.isEmpty());
    EXPECT_EQ(v.description, v.description.trimmed());
    EXPECT_FALSE(v.identifier.isEmpty());
    if (v.identifier.endsWith(QLatin1String("cmn-Latn-pinyin"), Qt::CaseInsensitive)) mandarin = i;
  }
  ASSERT_GE(mandarin, 0);
  EXPECT_TRUE(orvane::isChineseLanguage(voices.at(mandarin).language));
  EXPECT_EQ(catalog.voices().size(), voices.size());
  orvane::EspeakVoiceCatalog second;
  EXPECT_EQ(second.voices().size(), voices.size()) << "a second catalogue shares the started engine";
}

TEST(Speech, ChineseLanguages) {
  for (const char* yes : {"zh", "cmn", "yue", "cmn-latn-pinyin", "ZH-cn", " yue "})
    EXPECT_TRUE(orvane::isChineseLanguage(QLatin1String(yes))) << yes;
  for (const char* no : {"", "en", "hak", "zhx", "en-gb"}) EXPECT_FALSE(orvane::isChineseLanguage(QLatin1String(no))) << no;
}
