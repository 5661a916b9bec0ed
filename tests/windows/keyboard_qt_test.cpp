// The windows on the Qt rendering (Qt's offscreen platform) at the
// keyboard, with real key events: a button pressed by its key letter, or by
// Space or Return once it has the focus, right after typing into an entry
// stores what was typed, as a click does; Escape closes each window as its
// close box does, with the questions that close asks.

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>
#include <QtWidgets/QLineEdit>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/settings_file.h"
#include "forms_fixture.h"
#include "keyboard_person.h"
#include "platform/core/std_datetime.h"
#include "support/file_text.h"
#include "windows/get_config.h"
#include "windows/select_app.h"
#include "windows/update_apps.h"
#include "windows/update_events.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

namespace qvn::windows::testing {

namespace {

using ui::qt::test::KeyboardPerson;

constexpr const char* kSettings = "QVN \"Menu\"";
constexpr const char* kRecord = "DDE Activity Record";
constexpr const char* kProject = "Project will be Updated";
constexpr const char* kPicker = "Select Application";

class KeyboardQtTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    data::anchor_settings_file(dir.string());
    qt = ui::qt::test::offscreen_backend();
    ASSERT_NE(qt, nullptr);
  }

  void settings_hold(const std::string& command) const {
    std::ofstream(dir / "QVN.INI", std::ios::binary)
        << "[Preserved]\nNewLog=N\nCL_Command=" << command << "\nFilePath=\nRetainTags=0\n";
  }
  std::string ini_text() const { return test_support::file_text(dir / "QVN.INI"); }

  void one_log_entry() {
    seed_log({{"ACCT.APP", standard_date(CivilDate{2024, 3, 1}), standard_time(TimeOfDay{14, 5, 9, 0}), "Begin Make"}});
  }
  // The log's first entry current in the buffer, as the browse leaves its
  // highlighted line.
  static void make_current_entry() {
    ASSERT_EQ(data::tempfile_file_manager->UseFile(framework::use::Returns), 0);
    data::TempFile.watch();
    data::TempFile.set_order(data::tmp_clockkey);
    ASSERT_EQ(data::TempFile.next(), 0);
  }

  std::vector<std::string> events_on_file() {
    std::vector<std::string> out;
    for (const LogOnFile& e : log_on_file()) out.push_back(e.event);
    return out;
  }

  void a_project_with_an_application() {
    make_file("dev/ledger/LEDGER.APP");
    seed_projects({{5, "Stock"}});
    seed_apps({{"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 5, "LEDGER.EXE", 0}});
  }

  std::unique_ptr<ui::qt::QtBackend> qt;
};

// Alt+O right after typing into the command line writes what was typed,
// over a stored command line and into an empty one (which Ok refuses while
// it is blank).
TEST_F(KeyboardQtTest, OkByItsKeyLetterWritesTheCommandLineJustTyped) {
  for (const char* stored : {"C:\\CLARION6\\BIN\\C60EE.EXE", ""}) {
    SCOPED_TRACE(stored);
    settings_hold(stored);
    KeyboardPerson person(*qt);
    person.on_window(kSettings, [](ui::Window& w) {
      KeyboardPerson::retype(w, get_config::GLO_RUNSTRING, "ide-sim --fast");
      KeyboardPerson::key(Qt::Key_O, Qt::AltModifier);
    });
    GetConfig();
    EXPECT_EQ(framework::GlobalResponse, Completed);
    EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=ide-sim --fast\nFilePath=\nRetainTags=0\n");
    EXPECT_TRUE(person.all_done());
    EXPECT_EQ(person.messages, std::vector<std::string>{});
  }
}

// The record form's Ok by its key letter, and by Space and by Return once
// Tab has taken the focus to it, stores the event just typed.
TEST_F(KeyboardQtTest, TheRecordFormStoresTheEventJustTypedHoweverOkIsPressed) {
  struct Press {
    const char* how;
    std::function<void()> press;
  };
  const std::vector<Press> presses = {
      {"by its key letter", [] { KeyboardPerson::key(Qt::Key_O, Qt::AltModifier); }},
      {"by Space",
       [] {
         KeyboardPerson::key(Qt::Key_Tab);
         KeyboardPerson::key(Qt::Key_Space);
       }},
      {"by Return",
       [] {
         KeyboardPerson::key(Qt::Key_Tab);
         KeyboardPerson::key(Qt::Key_Return);
       }},
  };
  one_log_entry();
  for (const Press& p : presses) {
    SCOPED_TRACE(p.how);
    const std::string typed = std::string("Made ") + p.how;
    KeyboardPerson person(*qt);
    person.on_window(kRecord, [&](ui::Window& w) {
      KeyboardPerson::retype(w, update_events::TMP_EVENT, QString::fromStdString(typed));
      p.press();
    });
    make_current_entry();
    EXPECT_EQ(run(UpdateEvents, Change), Completed);
    EXPECT_EQ(events_on_file(), std::vector<std::string>{typed});
    EXPECT_TRUE(person.all_done());
  }
}

// Add App by its key letter right after a new name was typed: the name is
// what the form holds through the picker (closed by Escape), and Ok by its
// key letter stores it.
TEST_F(KeyboardQtTest, AddAppByItsKeyLetterKeepsTheNameJustTyped) {
  a_project_with_an_application();
  KeyboardPerson person(*qt);
  person.on_window(kProject, [](ui::Window& w) {
    KeyboardPerson::retype(w, update_projects::PRO_PROJECTNAME, "Inventory");
    KeyboardPerson::key(Qt::Key_A, Qt::AltModifier);
  });
  person.on_window(kPicker, [](ui::Window&) { KeyboardPerson::key(Qt::Key_Escape); });
  person.on_window(kProject, [](ui::Window& w) {
    auto* name = qobject_cast<QLineEdit*>(KeyboardPerson::widget(w, update_projects::PRO_PROJECTNAME));
    EXPECT_EQ(name != nullptr ? name->text() : QString(), QString("Inventory"));
    KeyboardPerson::key(Qt::Key_O, Qt::AltModifier);
  });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{5, "Inventory"}}));
  EXPECT_TRUE(person.all_done());
  EXPECT_EQ(person.messages, std::vector<std::string>{});
}

// Escape closes every window but the main window as its close box does:
// nothing is stored and the caller hears cancelled.
TEST_F(KeyboardQtTest, EscapeClosesEachWindowAsItsCloseBoxDoes) {
  struct Case {
    const char* caption;
    std::function<int()> run;
  };
  a_project_with_an_application();
  settings_hold("ide-sim");
  one_log_entry();
  const std::vector<Case> cases = {
      {kSettings,
       [] {
         GetConfig();
         return framework::GlobalResponse;
       }},
      {"Activity Log", [] { return run(ViewEvents, framework::request::None); }},
      {kRecord,
       [] {
         make_current_entry();
         return run(UpdateEvents, Change);
       }},
      {kPicker, [] { return run(SelectApp, Select); }},
      {"Record will be Changed",
       [this] {
         make_current({"LEDGER.APP", folder_of(dir / "dev/ledger")});
         return run(UpdateApps, Change);
       }},
      {kProject,
       [] {
         make_current_project(5);
         return run(UpdateProjects, Change);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    KeyboardPerson person(*qt);
    person.on_window(c.caption, [](ui::Window&) { KeyboardPerson::key(Qt::Key_Escape); });
    EXPECT_EQ(c.run(), Cancelled);
    EXPECT_TRUE(person.all_done());
    EXPECT_EQ(person.messages, std::vector<std::string>{});
  }
  EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=ide-sim\nFilePath=\nRetainTags=0\n");
  EXPECT_EQ(events_on_file(), std::vector<std::string>{"Begin Make"});
  EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{5, "Stock"}}));
}

// Escape after a change goes the way the form's close goes: the project
// form asks "Save Record", and Yes stores the name just typed; the settings
// window puts the settings back and writes nothing.
TEST_F(KeyboardQtTest, EscapeAfterAChangeAsksWhatTheCloseAsks) {
  a_project_with_an_application();
  KeyboardPerson person(*qt);
  person.on_window(kProject, [](ui::Window& w) {
    KeyboardPerson::retype(w, update_projects::PRO_PROJECTNAME, "Inventory");
    KeyboardPerson::key(Qt::Key_Escape);
  });
  person.answer(ui::button::Yes);
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(person.message_captions, std::vector<std::string>{"Save Record"});
  EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{5, "Inventory"}}));
  EXPECT_TRUE(person.all_done());

  settings_hold("ide-sim");
  KeyboardPerson again(*qt);
  again.on_window(kSettings, [](ui::Window& w) {
    KeyboardPerson::retype(w, get_config::GLO_RUNSTRING, "other");
    KeyboardPerson::key(Qt::Key_Escape);
  });
  GetConfig();
  EXPECT_EQ(framework::GlobalResponse, Cancelled);
  EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=ide-sim\nFilePath=\nRetainTags=0\n");
  EXPECT_TRUE(again.all_done());
}

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
