// The speech studio's music volume: its up-down steps the number in Edit2 within 0..100.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "platform/forms/updown.h"
#include "platform/speech/espeakvoices.h"
#include "tests/support/testsupport.h"

TEST(StudioUpDown, ArrowsStepTheMusicVolumeWithinItsRange) {
  testing_support::TempHome home;
  orvane::EspeakVoiceCatalog voices;
  AudioToolsContext c;
  c.voices = &voices;
  InstallAudioTools(c);
  TForm_ttsplay w;
  w.UpDown1->resize(17, 30);
  const QPoint up(8, 5), down(8, 25);
  const struct {
    const char* typed;
    QPoint at;
    const char* shown;
  } steps[] = {{"30", up, "31"}, {"30", down, "29"}, {"100", up, "100"}, {"0", down, "0"}, {"57", up, "58"}};
  for (const auto& s : steps) {
    w.Edit2->setText(s.typed);
    QTest::mousePress(w.UpDown1, Qt::LeftButton, {}, s.at);
    QTest::mouseRelease(w.UpDown1, Qt::LeftButton, {}, s.at);
    EXPECT_EQ(w.Edit2->text(), s.shown) << s.typed;
  }
  AudioTools() = {};
}
