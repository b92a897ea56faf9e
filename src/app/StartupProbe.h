#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace pellix::app {

// Ends the program once the window it watches has been painted: the start-up benchmark times a
// start to a painted main menu screen as the life of the process.
class QuitWhenPainted final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // After the paint event has been handled, so that the painting itself counts.
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace pellix::app
