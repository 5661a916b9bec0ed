#pragma once
// A fixture for the Qt rendering: the Qt backend installed, a temporary
// folder of the test's own, windows opened from structures, their widgets
// found by equate, and the events that input left in a window's queue.

#include <QtCore/QCoreApplication>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/fixed_string.h"
#include "platform/ui/list_model.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/window_widget.h"
#include "platform/ui/window.h"
#include "support/temp_folder.h"
#include "window_view.h"

namespace qvn::ui::qt::test {

struct Seen {
  Event event;
  int field;
  int key;
};

inline bool has_event(const std::vector<Seen>& seen, Event e, int field) {
  for (const Seen& s : seen) {
    if (s.event == e && s.field == field) return true;
  }
  return false;
}

inline std::string describe(const std::vector<Seen>& seen) {
  std::string out;
  for (const Seen& s : seen) {
    out += std::string(event_name(s.event)) + "(" + std::to_string(s.field) + "," + std::to_string(s.key) + ") ";
  }
  return out;
}

inline ControlDef control(std::string equate, ControlKind kind, Rect at, std::string text = {}, int parent = 0) {
  ControlDef c;
  c.equate = std::move(equate);
  c.kind = kind;
  c.at = at;
  c.text = std::move(text);
  c.parent = parent;
  return c;
}

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = QtBackend::create();
    ASSERT_NE(backend_, nullptr);
    install_backend(backend_.get());
  }

  void TearDown() override {
    windows_.clear();
    install_backend(nullptr);
    backend_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Builds and opens the window and takes the events its opening queued.
  Window& open(WindowDef def) {
    std::string error;
    std::unique_ptr<Window> w = Window::create(std::move(def), &error);
    EXPECT_NE(w, nullptr) << error;
    if (w == nullptr) std::abort();
    w->open();
    if (WindowWidget* v = view(*w); v != nullptr && v->isVisible()) {
      // Keys and focus moves reach only the active window.
      v->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(v, 1000));
    }
    drain(*w);
    windows_.push_back(std::move(w));
    return *windows_.back();
  }

  // The events queued in the window now, in order.
  static std::vector<Seen> drain(Window& w) {
    std::vector<Seen> seen;
    w.post(Event::Moved);
    while (w.accept()) {
      if (w.event() == Event::Moved) break;
      seen.push_back({w.event(), w.field(), w.keycode()});
    }
    return seen;
  }

  static WindowWidget* view(Window& w) { return view_of(w); }

  template <class T>
  static T* widget(Window& w, int field) {
    WindowWidget* v = view(w);
    if (v == nullptr) return nullptr;
    return dynamic_cast<T*>(v->control_widget(field));
  }
  template <class T>
  static T* widget(Window& w, const std::string& equate) {
    return widget<T>(w, w.field(equate));
  }

  QtBackend& backend() { return *backend_; }
  const std::filesystem::path& dir() const { return folder_.path(); }

 private:
  test_support::TempFolder folder_{"qvn-ui-qt"};
  std::unique_ptr<QtBackend> backend_;
  std::vector<std::unique_ptr<Window>> windows_;
};

// The program's main window as a sample of every kind of control it uses,
// with its variables and list queues.
struct MainSample {
  long long timeout = 3;
  FixedString<30> status;
  VectorListModel apps;
  VectorListModel tree;
  VectorListModel projects;
  VectorListModel subset;

  WindowDef def();
  void fill_lists();
  void attach(Window& w);
};

}  // namespace qvn::ui::qt::test
