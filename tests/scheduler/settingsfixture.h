// A running main window on a fresh home, an autostart folder in a temporary XDG_CONFIG_HOME
// (never the real one), and a log of every settings write in order.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "platform/system/autostart.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/schedulerfixture.h"

class SettingsFixture : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    ASSERT_TRUE(config.isValid());
    configHome.emplace("XDG_CONFIG_HOME", config.path().toUtf8());
    autostart = std::make_unique<orvane::Autostart>(orvane::Autostart::DefaultFolder());
    ASSERT_TRUE(autostart->folder().startsWith(config.path()));
    services.autostart = autostart.get();
    ASSERT_TRUE(dm.connection()->execScript(QStringLiteral(
        "create table wlog(n integer primary key autoincrement, k text);"
        "create trigger wlog_u after update on system1 begin insert into wlog(k) values(new.name1); end;"
        "create trigger wlog_i after insert on system1 begin insert into wlog(k) values(new.name1); end;")));
  }
  void TearDown() override {
    window.reset();
    configHome.reset();
  }
  void openMainWindow() {
    window = std::make_unique<TForm_main_tamu>(windowDm, clock, services);
    ASSERT_TRUE(window->created());
  }
  void set(const char* key, const QString& value) { ASSERT_TRUE(dm.SetSetting(QLatin1String(key), value)); }
  QString get(const char* key) { return dm.GetSetting(QLatin1String(key)); }
  void clearWrites() { ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("delete from wlog"))); }
  // The keys written since the last clear, in order.
  QStringList writes() {
    QStringList keys;
    dm.QueryToStrings(dm.qry_temp, QStringLiteral("select k from wlog order by n"), keys);
    return keys;
  }
  QTemporaryDir config{QDir::tempPath() + QStringLiteral("/orvane config XXXXXX")};
  std::optional<testing_support::ScopedEnv> configHome;
  std::unique_ptr<orvane::Autostart> autostart;
  TDataModule1 windowDm;
  std::unique_ptr<TForm_main_tamu> window;
};
