// Shutting the computer down and restarting it.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvane {

class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // Ask the system to power off or restart now. The answer comes later (the system may
  // refuse); a refusal is logged by the implementation.
  virtual void PowerOff() = 0;
  virtual void Reboot() = 0;
};

// The real layer: logind over D-Bus (PowerOff(false) / Reboot(false): no interactive
// authentication prompt). Under ORVANE_DRY_RUN_SYSTEM=1 it only logs.
class LogindPower : public PowerControl {
 public:
  // The bus defaults to the system bus; tests pass a private one.
  explicit LogindPower(QDBusConnection bus = QDBusConnection::systemBus(), bool dryRun = false);
  // The dry-run switch is read from the environment.
  static LogindPower fromEnvironment();
  void PowerOff() override;
  void Reboot() override;
  // Called with the method name and an empty string on success or the error text.
  void onReply(std::function<void(const QString&, const QString&)> f) { onReply_ = std::move(f); }

 private:
  void call(const QString& method);
  QDBusConnection bus_;
  bool dryRun_;
  std::function<void(const QString&, const QString&)> onReply_;
};

// A fake that records the requests, for tests of the code that decides when to ask.
class RecordingPower : public PowerControl {
 public:
  void PowerOff() override { calls.append(QStringLiteral("PowerOff")); }
  void Reboot() override { calls.append(QStringLiteral("Reboot")); }
  QStringList calls;
};

}  // namespace orvane
