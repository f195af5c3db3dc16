// Song entries on the fake media layer: a fresh home, a day's schedule whose entries name
// song files made in a temporary folder, and the runner with the song handler.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include "platform/media/fakemediabackend.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/songentries.h"
#include "tests/scheduler/schedulerfixture.h"

struct SongRow {
  QString pname;
  QString starttime = QStringLiteral("08:00:00");
  QString endtime = QStringLiteral("08:10:00");
  QString slpath;
  QString playmode = QStringLiteral("顺序播放");
  int jmlx = 2;
  QString channel = QStringLiteral("主通道");
  QString tlength = QStringLiteral("00:10:00");
  int ivolume = 80;
};

class SongFixture : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 0)));
    useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
    unit.ReadSettings();
    unit.state.fadeenabled = false;
    unit.state.bassready = unit.state.usebass && songs.CreateStreams();
    songs.seed(12345);
    for (int kind = 1; kind <= 3; ++kind) runner.setHandler(kind, &songs);
    unit.today.setRunner(&runner);
  }
  // A song file (empty: the fake layer never reads it).
  QString song(const QString& name) { return testing_support::writeFile(music.filePath(name), QByteArray("x")); }
  // A folder of songs.
  QString folder(const QString& name, const QStringList& songs) {
    for (const QString& s : songs) song(name + QLatin1Char('/') + s);
    QDir().mkpath(music.filePath(name));
    return music.filePath(name);
  }
  QString path(const QString& name) const { return music.filePath(name); }
  qint64 addSong(const SongRow& r) {
    return insertRow({{"pname", r.pname}, {"starttime", r.starttime}, {"endtime", r.endtime}, {"slpath", r.slpath},
                      {"tlength", r.tlength}, {"playmode", r.playmode}, {"ivolume", r.ivolume},
                      {"Schedulen", QStringLiteral("日常")}, {"jmlx", r.jmlx}, {"mainchannel", r.channel}});
  }
  // Today's index of an entry by name.
  int indexOf(const QString& pname) const {
    const auto& e = unit.state.todayentries;
    for (std::size_t i = 0; i < e.size(); ++i)
      if (e[i].pname == pname) return int(i);
    return -1;
  }
  void load() { unit.today.LoadToday(); }
  void start(const QString& pname, EntryMode mode = EntryMode::Auto) { runner.StartEntry(indexOf(pname), mode); }
  void end(const QString& pname, EntryMode mode = EntryMode::Auto) { runner.EndEntry(indexOf(pname), mode); }
  orvane::FakeMediaChannel* mainPlayer() const { return backend.channel(orvane::ChannelKind::MediaPlayer, 0); }
  orvane::FakeMediaChannel* secondPlayer() const { return backend.channel(orvane::ChannelKind::MediaPlayer, 1); }
  orvane::FakeMediaChannel* mainStream() const { return backend.channel(orvane::ChannelKind::Stream, 0); }
  orvane::FakeMediaChannel* secondStream() const { return backend.channel(orvane::ChannelKind::Stream, 1); }
  MainChannel& main() { return songs.main(); }
  SecondChannel& second() { return songs.second(); }
  // Plays the main channel's present song to its end.
  void finishMain() { mainPlayer()->finish(); }
  // Names of the files the player opened, without folders.
  static QStringList names(const QStringList& paths) {
    QStringList n;
    for (const QString& p : paths) n << QFileInfo(p).fileName();
    return n;
  }
  QTemporaryDir music;
  orvane::FakeMediaBackend backend;
  SongEntries songs{dm, unit.state, clock, unit.today, &backend};
  BroadcastRunner runner{dm, unit.state, clock, unit.today};
};
