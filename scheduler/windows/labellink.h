// A label that answers the mouse like a link: over it the hand cursor shows (and, when the
// label has a hover colour, its text takes that colour); leaving it brings both back; a left
// button pressed and released over it is a click.
#pragma once

#include <QColor>
#include <QObject>
#include <functional>

class QLabel;

class LabelLink : public QObject {
  Q_OBJECT
 public:
  // onClick may be empty (the label only shows the hand). Without a hover colour the text
  // keeps its colour; with one, `normal` is the colour it shows the rest of the time. Lives
  // as long as the label.
  LabelLink(QLabel* label, std::function<void()> onClick, const QColor& hover = {}, const QColor& normal = {});

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void colour(const QColor& c);

  QLabel* label_;
  std::function<void()> onClick_;
  QColor hover_;
  QColor normal_;
};
