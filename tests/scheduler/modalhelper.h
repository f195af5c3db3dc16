// Answers the next modal window of a kind (a file dialog, the song-list editor) from a
// timer, since showing it runs its own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

template <typename W>
void OnNextModal(std::function<void(W*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    W* w = qobject_cast<W*>(QApplication::activeModalWidget());
    if (!w || !w->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
}
