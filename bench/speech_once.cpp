// The cold side of the speech benchmark: a fresh process that makes a new speech engine and
// reads the text given as its argument once, then quits. It links only what the engine
// needs, as the command-line reader it is compared with does.
#include <QCoreApplication>
#include <QTimer>

#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return 2;
  orvane::SpeechEngine engine;
  QObject::connect(&engine, &orvane::SpeechEngine::endStream, &app, &QCoreApplication::quit);
  QObject::connect(&engine, &orvane::SpeechEngine::failed, &app, &QCoreApplication::quit);
  if (!engine.speak(QString::fromUtf8(argv[1]), orvane::SpeechParams{orvane::kMandarinVoice, 0, 100})) return 1;
  QTimer::singleShot(60000, &app, &QCoreApplication::quit);
  return app.exec();
}
