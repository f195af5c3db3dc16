// The system volume over libpulse, only ever against the private sound server of test.sh.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "platform/audio/pulsesystemvolume.h"
#include "tests/support/scopedenv.h"

using orvane::PulseSystemVolume;

TEST(SystemVolumeTest, SetsAndReadsTheDefaultSinkOfThePrivateServer) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  PulseSystemVolume volume;
  const auto before = volume.volume();
  ASSERT_TRUE(before.has_value());
  EXPECT_TRUE(volume.setVolume(37));
  EXPECT_EQ(volume.volume(), 37);
  EXPECT_TRUE(volume.setVolume(250));  // clamped
  EXPECT_EQ(volume.volume(), 100);
  EXPECT_TRUE(volume.setVolume(*before));
}

TEST(SystemVolumeTest, NoServerFailsQuietlyAndQuickly) {
  QTemporaryDir dir;
  testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:" + dir.filePath(QStringLiteral("no-such-socket")).toUtf8());
  PulseSystemVolume volume(1000);
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(volume.setVolume(50));
  EXPECT_FALSE(volume.volume().has_value());
  EXPECT_LT(t.elapsed(), 2500);
}
