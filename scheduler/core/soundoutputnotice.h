// Without a reachable sound server the channels play on into a timed silent output, so every
// entry still starts, ends and gets its status on its second; but nobody hears it. This tells
// the operator once when the sound output is lost and once when it returns: a line in
// "log.txt" (when the log is on) and a notice on screen that waits for nobody.
#pragma once

#include <QObject>

struct MainState;
class Clock;
namespace orvane {
class MediaChannel;
}

class SoundOutputNotice : public QObject {
  Q_OBJECT
 public:
  SoundOutputNotice(const MainState& state, const Clock& clock, QObject* parent = nullptr);
  // Listens to a channel's player (null: nothing); all players are told about as one output.
  void watch(orvane::MediaChannel* player);

  // Whether the operator was last told that the output is lost; a former image of the
  // program may have told it already.
  bool lost() const { return lost_; }
  void setTold(bool lost) { lost_ = lost; }

  static QString LostText();
  static QString ReturnedText();

 private:
  void tell(bool lost);

  const MainState& s_;
  const Clock& clock_;
  bool lost_ = false;
};
