// File and folder pickers.
#include "scheduler/windows/filepickers.h"

#include <QFileDialog>

namespace {
QString patterns(const char* extensions) {
  QString out;
  for (const QString& e : QString::fromLatin1(extensions).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (!out.isEmpty()) out += QLatin1Char(' ');
    out += QStringLiteral("*.") + e;
  }
  return out;
}
}  // namespace

QString MediaFileFilters(bool withTextAndLists) {
  const char* audio = "mp3 wma wav mid m4a ac3 aac mka ra ogg aif";
  const char* video = "mpg wmv dat avi asf mov mp4 swf f4v rmvb flv vob mkv";
  const char* common = "mp3 wma wav mid m4a ac3 aac mka ra ogg aif mpg wmv dat avi asf mov rmvb flv vob mkv mp4 swf f4v";
  QString first = patterns(common);
  if (withTextAndLists) first += QStringLiteral(" *.txt *.pl3");
  return QStringLiteral("常用音视频文件 (") + first + QStringLiteral(");;音频文件 (") + patterns(audio) +
         QStringLiteral(");;视频文件 (") + patterns(video) + QStringLiteral(");;所有文件 (*)");
}

QString PickOpenFile(QWidget* parent, const QString& title, const QString& filters) {
  return QFileDialog::getOpenFileName(parent, title, QString(), filters, nullptr, QFileDialog::DontUseNativeDialog);
}

QStringList PickOpenFiles(QWidget* parent, const QString& title, const QString& filters) {
  return QFileDialog::getOpenFileNames(parent, title, QString(), filters, nullptr, QFileDialog::DontUseNativeDialog);
}

QString PickFolder(QWidget* parent, const QString& caption) {
  return QFileDialog::getExistingDirectory(parent, caption, QString(),
                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}
