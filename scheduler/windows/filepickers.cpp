// File and folder pickers.
#include "scheduler/windows/filepickers.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {
// Shows folders and runnable files only, while the program filter is chosen.
class ProgramFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void setProgramsOnly(bool on) {
    programsOnly_ = on;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (!programsOnly_) return true;
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files) return true;
    const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
    return info.isDir() || info.isExecutable();
  }

 private:
  bool programsOnly_ = true;
};

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

QString PickSaveFile(QWidget* parent, const QString& title, const QString& filters) {
  return QFileDialog::getSaveFileName(parent, title, QString(), filters, nullptr, QFileDialog::DontUseNativeDialog);
}

QStringList PickOpenFiles(QWidget* parent, const QString& title, const QString& filters) {
  return QFileDialog::getOpenFileNames(parent, title, QString(), filters, nullptr, QFileDialog::DontUseNativeDialog);
}

QString PickProgram(QWidget* parent) {
  const QString programs = QStringLiteral("可执行文件（*.exe） (*)");
  const QString all = QStringLiteral("所有文件（*.*） (*)");
  QFileDialog dialog(parent);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({programs, all});
  // The dialog's own permission filter cannot ask for "executable" alone, so a proxy keeps
  // folders and the files that can be run.
  auto* proxy = new ProgramFilter(&dialog);
  dialog.setProxyModel(proxy);
  QObject::connect(&dialog, &QFileDialog::filterSelected, proxy,
                   [proxy, programs](const QString& filter) { proxy->setProgramsOnly(filter == programs); });
  dialog.selectNameFilter(programs);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

QString PickFolder(QWidget* parent, const QString& caption) {
  return QFileDialog::getExistingDirectory(parent, caption, QString(),
                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}
