#pragma once
// A person at the keyboard and mouse of the Qt rendering (Qt's offscreen
// platform): each time a window waits, the window is made the active one
// (its activation is handled first), then the next step written for its
// caption runs with real key and mouse events sent to its widgets, and the
// window waits as it does for a person until that input reaches it.
// Messages are noted and answered with the answers given in turn, else as a
// box without a choice is. A window that waits with no step for it is noted
// and closed, and a wait that nothing ends within a minute closes its
// window, so that a test never hangs.
//
//   KeyboardPerson person(*qt);
//   person.on_window("QVN \"Menu\"", [](Window& w) {
//     KeyboardPerson::retype(w, "?GLO:RUNSTRING", "ide-sim");
//     KeyboardPerson::key(Qt::Key_O, Qt::AltModifier);
//   });
//   GetConfig();
//   EXPECT_TRUE(person.all_done());

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "picture_backend.h"
#include "window_view.h"

namespace qvn::ui::qt::test {

class KeyboardPerson final : public PictureBackend {
 public:
  using Step = std::function<void(Window&)>;

  explicit KeyboardPerson(QtBackend& qt) : PictureBackend(qt, {}) {}

  // The next window that waits must bear this caption.
  KeyboardPerson& on_window(std::string caption, Step step) {
    steps_.push_back({std::move(caption), std::move(step)});
    return *this;
  }
  // The next message box is answered with this button.
  KeyboardPerson& answer(int button) {
    answers_.push_back(button);
    return *this;
  }

  // Every step ran, no window waited without one, and every answer was given.
  ::testing::AssertionResult all_done() const {
    if (!steps_.empty()) return ::testing::AssertionFailure() << steps_.size() << " steps never ran";
    if (!unexpected_.empty()) return ::testing::AssertionFailure() << "without a step: " << unexpected_.front();
    if (!answers_.empty()) return ::testing::AssertionFailure() << answers_.size() << " answers never given";
    return ::testing::AssertionSuccess();
  }

  // The messages' captions, in the order they showed.
  std::vector<std::string> message_captions;

  void wait_for_event(Window& w) override {
    QPointer<WindowWidget> v = view(w);
    if (v == nullptr) {
      unexpected_.push_back(w.caption() + " (not shown)");
      w.close();
      return;
    }
    if (!v->isActiveWindow()) {
      v->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(v, 5000)) << w.caption();
    }
    if (v != nullptr && v->take_delivered()) return;
    if (steps_.empty() || steps_.front().caption != w.caption()) {
      unexpected_.push_back(w.caption());
      w.close();
      return;
    }
    const Step step = std::move(steps_.front().step);
    steps_.pop_front();
    step(w);
    // A key letter clicks its button once the button has shown itself
    // pressed for a moment.
    EXPECT_TRUE(QTest::qWaitFor([&v] { return v == nullptr || !any_button_down(*v); }, 10000)) << w.caption();
    if (!w.is_open() || v == nullptr || v->take_delivered()) return;
    bool gave_up = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&w, &gave_up] {
      gave_up = true;
      w.close();
    });
    guard.start(60000);
    qt().wait_for_event(w);
    EXPECT_FALSE(gave_up) << "nothing reached " << w.caption() << " within a minute";
  }

  int message(const MessageBoxDef& box) override {
    messages.push_back(box.text);
    message_captions.push_back(box.caption);
    if (answers_.empty()) return answer_without_choice(box);
    const int button = answers_.front();
    answers_.pop_front();
    return button;
  }

  static bool any_button_down(const QWidget& window) {
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
      if (b->isDown()) return true;
    }
    return false;
  }

  static WindowWidget* view(Window& w) { return view_of(w); }
  static QWidget* widget(Window& w, int field) {
    WindowWidget* v = view(w);
    QWidget* c = v == nullptr ? nullptr : v->control_widget(field);
    EXPECT_NE(c, nullptr) << "control " << field;
    return c;
  }
  // Where the keyboard's keys go now.
  static QWidget* focus() {
    QWidget* f = QApplication::focusWidget();
    return f != nullptr ? f : QApplication::activeWindow();
  }

  static void click(Window& w, int field) {
    if (QWidget* c = widget(w, field)) QTest::mouseClick(c, Qt::LeftButton);
  }
  static void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(focus(), key, modifiers);
  }
  static void type(const QString& text) { QTest::keyClicks(focus(), text); }
  // Clicks into the entry, selects what it shows and types over it.
  static void retype(Window& w, int field, const QString& text) {
    click(w, field);
    key(Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
      key(Qt::Key_Delete);
    } else {
      type(text);
    }
  }

 private:
  struct WindowStep {
    std::string caption;
    Step step;
  };
  std::deque<WindowStep> steps_;
  std::deque<int> answers_;
  std::vector<std::string> unexpected_;
};

}  // namespace qvn::ui::qt::test
