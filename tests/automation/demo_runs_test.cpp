// The runs on the demo's own data, as scripts/demo.sh lays it out: a copy
// of demo/apps, data files made from demo/catalog.txt, and ide-sim as the
// command line that starts the environment. "Start Clarion", then the make
// runs over the tagged applications, over a project and over a subset.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "demo_fixture.h"

#ifdef QVN_DEMO_FOLDER

namespace qvn::automation::testing {

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ui::HeadlessUser;
using ui::WindowView;

TEST_F(DemoRunsTest, EachDemoApplicationsSampleMakesTheTargetTheCatalogNames) {
  ASSERT_FALSE(catalog.apps.empty());
  for (const demoseed::DemoApp& a : catalog.apps) {
    EXPECT_EQ(sample_target(apps / a.folder / a.file), a.target) << a.file;
  }
}

TEST_F(DemoRunsTest, StartClarionThenGenAndMakeMakesTheThreeTaggedApplications) {
  std::vector<std::string> tagged;
  for (const demoseed::DemoApp& a : catalog.apps) {
    if (a.tagged) tagged.push_back(a.file);
  }
  ASSERT_THAT(tagged, ElementsAre("LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"));
  HeadlessUser user;
  user.answer_message(
      "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
      "Press \"Start Clarion\" now, will ya'?",
      ui::button::Ok);
  int stage = 0;
  user.keep_on_window(kCaption, [&](WindowView& w) {
    switch (stage) {
      case 0:
        w.press("Start Clarion");
        stage = 1;
        return;
      case 1:
        // The command line started ide-sim; the connect step tries again on
        // its timer.
        if (w.text(STATUSMSG) == "Connected to Clarion.") {
          w.press("&Gen && Make    (.APP)");
          stage = 2;
        } else {
          ASSERT_TRUE(sim.says("serving ClarionWin"));
          w.advance_time(kConnectPauseMs);
        }
        return;
      default:
        if (w.text(STATUSMSG) == kProcessingComplete) {
          w.close();
        } else if (!w.wait_for_folder_change(kRealWaitMs)) {
          ADD_FAILURE() << "no target came; the status line reads " << w.text(STATUSMSG);
          w.close();
        }
    }
  });
  Main();
  EXPECT_EQ(stage, 2);
  EXPECT_THAT(log_events(), ElementsAreArray(made_log({"LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"})));
  for (const demoseed::DemoApp& a : catalog.apps) {
    if (a.target.empty()) continue;
    EXPECT_EQ(fs::exists(target_of(a)), a.tagged) << a.target << " in " << a.folder;
  }
  EXPECT_EQ(user.messages().size(), 1u);
}

TEST_F(DemoRunsTest, TheProjectsTabShowsTheProjectsAndAProjectRunMakesOne) {
  sim.start();
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB2); });
  user.then([](WindowView& w) {
    EXPECT_EQ(column(w, RELTREE, 0), (std::vector<std::string>{"PROJECTS", "Accounting", "Payroll", "Warehouse"}));
    w.press(EXPAND);
  });
  user.then([](WindowView& w) {
    const std::vector<std::string> lines = column(w, RELTREE, 0);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], "Accounting");
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 2, lines.begin() + 5),
                ::testing::UnorderedElementsAre("LEDGER.APP", "JOURNAL.APP", "ACCOUNTS.APP"));
    EXPECT_EQ(lines[5], "Payroll");
    EXPECT_EQ(lines[6], "PAYROLL.APP");
    EXPECT_EQ(lines[7], "Warehouse");
    w.select_row(RELTREE, 2);
  });
  user.then([](WindowView& w) { w.press("Gen && &Make  (Project)"); });
  watch_make_run(user);
  Main();
  EXPECT_THAT(log_events(), ElementsAreArray(made_log({"LEDGER.APP", "JOURNAL.APP", "ACCOUNTS.APP"})));
  for (const char* file : {"LEDGER.APP", "JOURNAL.APP", "ACCOUNTS.APP"}) {
    EXPECT_TRUE(fs::exists(target_of(demo_app(file)))) << file;
  }
  EXPECT_FALSE(fs::exists(target_of(demo_app("ORDERS.APP"))));
}

TEST_F(DemoRunsTest, ASubsetRunMakesTheApplicationsToggledIn) {
  sim.start();
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB4); });
  user.then([](WindowView& w) {
    ASSERT_EQ(column(w, LIST_2, 1), (std::vector<std::string>{"Accounting", "Payroll", "Warehouse"}));
    w.select_row(LIST_2, 3);
  });
  user.then([](WindowView& w) {
    ASSERT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"STOCK.APP", "ORDERS.APP"}));
    w.select_row(LIST_3, 1);
  });
  user.then([](WindowView& w) { w.press("&Toggle"); });
  user.then([](WindowView& w) { w.press("&Toggle"); });
  user.then([](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 1}));
    w.press("Gen && &Make  (Project Subset)");
  });
  watch_make_run(user, [](WindowView& w) { EXPECT_EQ(w.choice(SHEET1), 4); });
  Main();
  EXPECT_THAT(log_events(), ElementsAreArray(made_log({"STOCK.APP", "ORDERS.APP"})));
  EXPECT_TRUE(fs::exists(target_of(demo_app("STOCK.APP"))));
  EXPECT_TRUE(fs::exists(target_of(demo_app("ORDERS.APP"))));
  EXPECT_FALSE(fs::exists(target_of(demo_app("LEDGER.APP"))));
}

}  // namespace

}  // namespace qvn::automation::testing

#endif  // QVN_DEMO_FOLDER
