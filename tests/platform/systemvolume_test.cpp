// The system volume over libpulse, only ever against the private sound server of test.sh.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "platform/audio/pulsesystemvolume.h"

using orvane::PulseSystemVolume;

namespace {
// Points libpulse at another server for the scope's lifetime.
class ServerOverride {
 public:
  explicit ServerOverride(const QByteArray& server) : previous_(qgetenv("PULSE_SERVER")), had_(qEnvironmentVariableIsSet("PULSE_SERVER")) {
    qputenv("PULSE_SERVER", server);
  }
  ~ServerOverride() {
    if (had_) qputenv("PULSE_SERVER", previous_);
    else qunsetenv("PULSE_SERVER");
  }

 private:
  QByteArray previous_;
  bool had_;
};
}  // namespace

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
  ServerOverride nowhere("unix:" + dir.filePath(QStringLiteral("no-such-socket")).toUtf8());
  PulseSystemVolume volume(1000);
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(volume.setVolume(50));
  EXPECT_FALSE(volume.volume().has_value());
  EXPECT_LT(t.elapsed(), 2500);
}
