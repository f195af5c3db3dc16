// The song finder: searches folders for MP3 and WMA files whose names hold a typed text, on a
// worker thread, lists them and hands chosen ones to the player's playlist.
#pragma once

#include <QElapsedTimer>
#include <mutex>
#include <vector>

#include "audiotools/core/FindFile.h"
#include "audiotools/core/playlisttarget.h"
#include "platform/forms/form.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace orvane {
class Shell;
}

class TForm_findsong : public orvane::Form {
  Q_OBJECT
 public:
  // Rows go to whatever player the provider hands out at the click; files are opened and
  // shown through the shell (the desktop's own when none is given).
  explicit TForm_findsong(PlaylistProvider provider, orvane::Shell* shell = nullptr, QWidget* owner = nullptr);
  ~TForm_findsong() override;

  void FindButtonClick();
  void StopButtonClick();
  void BrowseButtonClick();
  void FoundFilesColumnClick(int column);
  void N1Click();  // add the selected row to the player's playlist
  void N2Click();  // open the file
  void N3Click();  // show the file in its folder

  // The name masks a search uses for the typed name and the checked types.
  QStringList Masks() const;
  // The size column's text: "Folder", or whole kilobytes rounded up.
  static QString SizeText(qint64 bytes, bool folder);

  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* Filename;
  QLineEdit* Location;
  QCheckBox* Subfolders;
  QCheckBox* type1;
  QCheckBox* type2;
  QCheckBox* Threaded;
  QPushButton* BrowseButton;
  QPushButton* FindButton;
  QPushButton* StopButton;
  QProgressBar* Animate;
  QTreeWidget* FoundFiles;
  QStatusBar* StatusBar;
  QMenu* PopupMenu1;
  QAction* N1;
  QAction* N2;
  QAction* N3;
  TFindFile* FindFile;

 protected:
  void FormClose(CloseAction& action) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  struct Found {
    QString name, folder;
    qint64 size;
    bool folderEntry;
    TFileTime modified;  // turned into local time by the window, off the search's worker
  };
  void FindFileSearchBegin();
  void FindFileSearchFinish();
  void drain();
  QString selectedPath(QTreeWidgetItem** item = nullptr) const;

  PlaylistProvider provider_;
  orvane::Shell* shell_;
  QTimer* drainTimer_;
  // Filled by the search's worker, emptied by the window.
  std::mutex batchMutex_;
  std::vector<Found> batch_;
  int folders_ = 0;
  QString lastFolder_;
  bool folderChanged_ = false;
  QElapsedTimer statusShown_;
  QElapsedTimer started_;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// The song finder opened last, while it is open.
extern TForm_findsong* Form_findsong;

// Creates, shows and records a new song finder (owned by the application); files are opened
// and shown through the given shell, the desktop's own when none is given.
TForm_findsong* OpenSongFinder(PlaylistProvider provider, orvane::Shell* shell = nullptr);
