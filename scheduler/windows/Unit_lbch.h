// The song-list window: the main window opens it on the song list of an entry of today's
// programme, to look at, reorder, change and save that ".pl3" file.
#pragma once

#include "platform/forms/form.h"

class QLabel;
class QPushButton;
class SongListBox;

class TForm_lb : public orvane::Form {
  Q_OBJECT
 public:
  // Loads the list at path (the song-list entry's path); the window keeps that path for its
  // whole life. A file that cannot be read is reported and the window opens empty.
  explicit TForm_lb(const QString& path, QWidget* owner = nullptr);
  ~TForm_lb() override;

  const QString& path() const { return path_; }
  bool loadFailed() const { return loadFailed_; }
  void AddFiles(const QStringList& files);

  void Button1Click();  // add files through the picker
  void Button2Click();  // clear the list
  void Button3Click();  // remove the selected item
  void Button4Click();  // save and close

  QLabel* Label1;  // name line
  QLabel* Label2;  // count line
  SongListBox* ListBox1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  void showCount();
  QString path_;
  bool loadFailed_ = false;
};

// The song-list window opened last, while it is open.
extern TForm_lb* Form_lb;
