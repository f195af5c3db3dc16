// The song-list editor: a modal window over an entry dialog in which the operator fills,
// orders and clears a ".pl3" list; closing saves it and hands its path back to the dialog.
#pragma once

#include "platform/forms/form.h"

class QGroupBox;
class QLabel;
class QPushButton;
class SongListBox;

class TForm_lbbj : public orvane::Form {
  Q_OBJECT
 public:
  explicit TForm_lbbj(QWidget* owner = nullptr);
  ~TForm_lbbj() override;

  // Loads an existing list into the list box and sets the count line; false (nothing
  // changed) when the file cannot be read.
  bool LoadList(const QString& path);
  // Appends files in the order given and updates the count line.
  void AddFiles(const QStringList& files);

  void Button1Click();  // add files through the picker
  void Button4Click();  // clear the list
  void Button6Click();  // remove the selected item

  QLabel* Label1;      // count line
  QLabel* Label2;      // title line, set by the opener
  QLabel* Label_name;  // hidden: the list file's path, set by the opener
  QLabel* Label_bz;    // hidden: the caller's tag ("new", "edit" or "newmuch"), set by the opener
  SongListBox* ListBox1;
  QPushButton* Button1;
  QPushButton* Button4;
  QPushButton* Button6;
  QGroupBox* GroupBox1;
  QLabel* Label3;

 protected:
  // The return protocol: a list that is not blank is saved to Label_name's path, and the path
  // goes into the path field of the dialog named by Label_bz.
  void FormClose(CloseAction& action) override;

 private:
  void showCount();
};

// The editor while one is open.
extern TForm_lbbj* Form_lbbj;
