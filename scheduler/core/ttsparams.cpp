// Speech parameter string.
#include "scheduler/core/ttsparams.h"

#include <QDebug>
#include <QStringList>

QString TtsParams::toString() const {
  return voice + QLatin1Char('|') + QString::number(rate) + QLatin1Char('|') + QString::number(volume) +
         QLatin1Char('|') + QString::number(repeats) + QLatin1Char('|') + (hint ? QLatin1Char('1') : QLatin1Char('0'));
}

std::optional<TtsParams> TtsParams::parse(const QString& text) {
  const QStringList f = text.split(QLatin1Char('|'));
  if (f.size() < 5) return std::nullopt;
  TtsParams p;
  bool rateOk = false, volumeOk = false;
  p.voice = f.at(0);
  p.rate = f.at(1).trimmed().toInt(&rateOk);
  p.volume = f.at(2).trimmed().toInt(&volumeOk);
  if (!rateOk || !volumeOk) return std::nullopt;
  p.repeats = repeatsOf(f.at(3));
  p.hint = f.at(4) == QLatin1String("1");
  return p;
}

namespace {
int numberOr(const QStringList& f, int i, int fallback, const char* what, const QString& text) {
  bool ok = false;
  const int v = f.value(i).trimmed().toInt(&ok);
  if (ok) return v;
  qWarning().noquote() << "speech parameters" << '"' + text + '"' << "hold no" << what << "- using" << fallback;
  return fallback;
}
}  // namespace

TtsParams TtsParams::read(const QString& text) {
  const QStringList f = text.split(QLatin1Char('|'));
  TtsParams p;
  p.voice = f.value(0);
  p.rate = qBound(-10, numberOr(f, 1, 0, "rate", text), 10);
  p.volume = qBound(0, numberOr(f, 2, 100, "volume", text), 100);
  p.repeats = qMax(1, numberOr(f, 3, 1, "repeat count", text));
  p.hint = f.value(4).trimmed() == QLatin1String("1");
  return p;
}

int TtsParams::repeatsOf(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok && n >= 1 ? n : 1;
}
