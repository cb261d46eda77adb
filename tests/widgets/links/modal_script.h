// A script for a modal window under test: each time the window is shown, the next step runs inside
// its event loop (posted, never timed). A step that leaves the window open by mistake fails the
// test and closes the window, so that a wrong step never hangs the run.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <deque>
#include <functional>
#include <vector>

#include "util/ui_services.h"

namespace bexlo::testing {

class ModalScript : public QObject {
 public:
  ModalScript(QDialog* dialog, std::vector<std::function<void()>> steps)
      : dialog_(dialog), steps_(steps.begin(), steps.end()) {
    dialog->installEventFilter(this);
  }
  ~ModalScript() override {
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted steps did not run";
  }
  int Shown() const { return shown_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == dialog_) {
      const int showing = ++shown_;
      std::function<void()> step;
      if (steps_.empty()) {
        ADD_FAILURE() << "the window was shown more often than scripted";
        step = [this] {
          if (dialog_ != nullptr) dialog_->reject();
        };
      } else {
        step = std::move(steps_.front());
        steps_.pop_front();
      }
      // Posted to the script itself: a call still queued when the script is gone is dropped.
      QMetaObject::invokeMethod(
          this,
          [this, step, showing] {
            if (dialog_ == nullptr) return;
            step();
            QMetaObject::invokeMethod(
                this,
                [this, showing] {
                  if (shown_ == showing && dialog_ != nullptr && dialog_->isVisible()) {
                    ADD_FAILURE() << "step " << showing << " left the window open";
                    dialog_->done(mrIgnore);
                  }
                },
                Qt::QueuedConnection);
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QPointer<QDialog> dialog_;
  std::deque<std::function<void()>> steps_;
  int shown_ = 0;
};

}  // namespace bexlo::testing
