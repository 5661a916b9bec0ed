// The project subsets on the main window's "Project Subsets" tab: Toggle,
// Untag All, the ticks of ?LIST:3, the subset button, and the subset kept
// in TF.TPS between runs when "RetainTags" is 1.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>

#include "main_window_fixture.h"
#include "platform/storage/record_file.h"

namespace qvn::automation::testing {

namespace {

using ui::HeadlessUser;
using ui::WindowView;

// Accounting (1) lists LEDGER, JOURNAL and ACCOUNTS by priority, Warehouse
// (2) STOCK and ORDERS; Payroll (3) has a LEDGER.APP of its own; Empty (4)
// has no application. In ?LIST:2 they stand in name order: Accounting,
// Empty, Payroll, Warehouse.
const std::vector<std::pair<int, std::string>> kProjects = {
    {1, "Accounting"}, {2, "Warehouse"}, {3, "Payroll"}, {4, "Empty"}};
const std::vector<AppOnFile> kApps = {
    {.application = "LEDGER.APP", .folder = "/dev/ledger/", .priority = 1, .project = 1, .target = "LEDGER.DLL"},
    {.application = "JOURNAL.APP", .folder = "/dev/journal/", .priority = 2, .project = 1, .target = "JOURNAL.DLL"},
    {.application = "ACCOUNTS.APP", .folder = "/dev/accounts/", .priority = 3, .project = 1, .target = "ACC.EXE"},
    {.application = "STOCK.APP", .folder = "/dev/stock/", .priority = 1, .project = 2, .target = "STOCK.DLL"},
    {.application = "ORDERS.APP", .folder = "/dev/orders/", .priority = 4, .project = 2, .target = "ORDERS.EXE"},
    {.application = "LEDGER.APP", .folder = "/dev/payroll/", .priority = 2, .project = 3, .target = "PAYLEDG.DLL"},
};
constexpr int kAccounting = 1, kEmpty = 2, kPayroll = 3, kWarehouse = 4;  // rows of ?LIST:2

const Retained kLedger{"LEDGER.APP", "/dev/ledger/", 1, "LEDGER.DLL"};
const Retained kJournal{"JOURNAL.APP", "/dev/journal/", 2, "JOURNAL.DLL"};
const Retained kStock{"STOCK.APP", "/dev/stock/", 1, "STOCK.DLL"};

class ProjectSubsetsTest : public MainWindowTest {
 protected:
  void retain_tags(int value) {
    write_settings({{"NewLog", "N"},
                    {"CL_Command", "ide-sim"},
                    {"FilePath", data_folder()},
                    {"RetainTags", std::to_string(value)}});
  }

  // Runs from the test's own folder, so that a file opened under a bare
  // name lands there and not in the folder the tests run from.
  using InFolder = test_support::WorkingFolder;
};

TEST_F(ProjectSubsetsTest, ToggleTicksTheApplicationMovesDownAndArmsTheSubsetButton) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"LEDGER.APP", "JOURNAL.APP", "ACCOUNTS.APP"}));
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET));
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(w.choice(LIST_3), 2);
    EXPECT_TRUE(w.has_focus(LIST_3));
    EXPECT_FALSE(w.is_disabled(GENERATESUBSET)) << "the first entry in";
    const ui::ListCell tick = w.list_cells(LIST_3)[0][0];
    EXPECT_EQ(tick.fg, 0x800080) << "the format's colours apply";
    EXPECT_EQ(tick.sel_fg, 0xFFFF);
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(w.choice(LIST_3), 3);
    w.select_row(LIST_3, 1);
  });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 1, 0})) << "a second Toggle takes it out";
    EXPECT_FALSE(w.is_disabled(GENERATESUBSET));
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET)) << "the last entry out";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(ProjectSubsetsTest, TheSubsetSpansProjectsAndHoldsCopiesInNameOrder) {
  seed(kApps, kProjects);
  retain_tags(1);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) { w.select_row(LIST_2, kWarehouse); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"STOCK.APP", "ORDERS.APP"}));
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0}));
    EXPECT_FALSE(w.is_disabled(GENERATESUBSET)) << "the subset stays";
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 0}));
    w.select_row(LIST_2, kAccounting);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 1, 0})) << "the ticks come back";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(retained(), (std::vector<Retained>{kJournal, kLedger, kStock}));
}

TEST_F(ProjectSubsetsTest, ApplicationsOfOneFileNameShareOneEntry) {
  seed(kApps, kProjects);
  retain_tags(1);
  {
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
    user.then([&](WindowView& w) { w.press("&Toggle"); });
    user.then([&](WindowView& w) { w.select_row(LIST_2, kPayroll); });
    user.then([&](WindowView& w) {
      EXPECT_EQ(column(w, LIST_3, 2), (std::vector<std::string>{"/dev/payroll/"}));
      EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1})) << "the same file name";
      w.press(BUTTON7);
    });
    Main();
  }
  bare_names();
  ASSERT_EQ(retained(), (std::vector<Retained>{kLedger})) << "only the one toggled";
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.select_row(LIST_2, kPayroll); });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0}));
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET));
    w.select_row(LIST_2, kAccounting);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0})) << "toggling the other took it out";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(retained().empty());
}

TEST_F(ProjectSubsetsTest, ToggleWithoutAListedApplicationDoesNothing) {
  seed(kApps, kProjects);
  retain_tags(1);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.select_row(LIST_2, kEmpty); });
  user.then([&](WindowView& w) {
    ASSERT_TRUE(w.list_rows(LIST_3).empty());
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET));
    w.select_row(LIST_2, kAccounting);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0}));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(retained().empty()) << "no blank entry is kept";
}

struct CloseCase {
  const char* name;
  bool by_button;
};

TEST_F(ProjectSubsetsTest, RetainedTagsAreThereAgainAtTheNextStart) {
  for (const CloseCase& c : {CloseCase{"Close", true}, CloseCase{"system menu", false}}) {
    SCOPED_TRACE(c.name);
    seed(kApps, kProjects);
    retain_tags(1);
    {
      HeadlessUser user;
      user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
      user.then([&](WindowView& w) { w.press("&Toggle"); });
      user.then([&](WindowView& w) { w.press("&Toggle"); });
      user.then([&](WindowView& w) { w.select_row(LIST_2, kWarehouse); });
      user.then([&](WindowView& w) { w.press("&Toggle"); });
      user.then([&](WindowView& w) {
        if (c.by_button) {
          w.press(BUTTON7);
        } else {
          w.close();
        }
      });
      Main();
    }
    EXPECT_FALSE(data::TagFile.is_open());
    bare_names();
    ASSERT_EQ(retained().size(), 3u);
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_FALSE(w.is_disabled(GENERATESUBSET)) << "loaded at open";
      w.choose_tab(TAB4);
    });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 1, 0}));
      w.select_row(LIST_2, kWarehouse);
    });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 0}));
      w.press(BUTTON7);
    });
    Main();
    bare_names();
    EXPECT_EQ(retained().size(), 3u) << "written back unchanged";
    bare_names();
  }
}

TEST_F(ProjectSubsetsTest, WithoutRetainTagsTheRetainedFileIsLeftAlone) {
  for (bool file_there : {true, false}) {
    SCOPED_TRACE(file_there ? "TF.TPS holds entries" : "no TF.TPS");
    seed(kApps, kProjects);
    if (file_there) seed_retained({kLedger, kStock});
    retain_tags(0);
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_TRUE(w.is_disabled(GENERATESUBSET)) << "nothing loaded";
      w.choose_tab(TAB4);
    });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0}));
      w.select_row(LIST_3, 2);
    });
    user.then([&](WindowView& w) { w.press("&Toggle"); });
    user.then([&](WindowView& w) { w.press(BUTTON7); });
    Main();
    EXPECT_EQ(fs::exists(data_dir / "TF.TPS"), file_there);
    if (file_there) {
      EXPECT_EQ(retained(), (std::vector<Retained>{kLedger, kStock}));
    }
    bare_names();
  }
}

TEST_F(ProjectSubsetsTest, UntagAllEmptiesTheSubsetAndTheRetainedFile) {
  seed(kApps, kProjects);
  seed_retained({kLedger, kJournal, kStock});
  retain_tags(1);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 1, 0}));
    w.press(CLEARSUBTAGS);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET));
    EXPECT_TRUE(w.has_focus(CLEARSUBTAGS)) << "the focus is not moved";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(fs::exists(data_dir / "TF.TPS"));
  EXPECT_TRUE(retained().empty());
}

// A window that neither loaded the subset at open nor had TF.TPS opened by
// the settings window writes nothing back, even when the option is on when
// it closes.
TEST_F(ProjectSubsetsTest, ASubsetNotLoadedIsNeverWrittenBack) {
  seed(kApps, kProjects);
  seed_retained({kLedger, kStock});
  retain_tags(0);
  main_calls().GetConfig = [] { data::GLO_RETAINTAGS = 1; };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press("Configure QVN"); });
  user.then([&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  EXPECT_EQ(data::GLO_RETAINTAGS, 1);
  EXPECT_EQ(retained(), (std::vector<Retained>{kLedger, kStock}));
}

TEST_F(ProjectSubsetsTest, AWindowThatCouldNotOpenItsFilesLeavesTheRetainedTagsAlone) {
  seed(kApps, kProjects);
  seed_retained({kLedger, kStock});
  InFolder here(dir);
  const std::string missing = (dir / "gone").string() + "/";
  write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"FilePath", missing}, {"RetainTags", "1"}});
  HeadlessUser user;
  user.answer_any_message(ui::button::Ok);
  user.answer_any_message(ui::button::Ok);
  Main();
  EXPECT_FALSE(fs::exists(dir / "TF.TPS")) << "nothing written under the bare name";
  EXPECT_EQ(retained(), (std::vector<Retained>{kLedger, kStock}));
}

// The settings window may open TF.TPS before the names carry the data
// folder; the subset is still read from and written to the data folder.
TEST_F(ProjectSubsetsTest, TheRetainedFileIsAlwaysTheOneInTheDataFolder) {
  seed(kApps, kProjects);
  seed_retained({kLedger});
  InFolder here(dir);
  write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"RetainTags", "0"}});
  main_calls().GetConfig = [&] {
    data::GLO_FilePath = data_folder();
    data::GLO_RETAINTAGS = 1;
    ASSERT_EQ(data::TagFileName.str(), "TF.TPS");
    data::tagfile_file_manager->Open();
    ASSERT_EQ(data::tagfile_file_manager->UseFile(framework::use::Benign), framework::level::Benign);
  };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 0, 0})) << "read from the data folder";
    w.select_row(LIST_3, 2);
  });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  EXPECT_EQ(data::TagFile.open_name(), (data_dir / "TF.TPS").string())
      << "the settings window's open now stands for the data folder's file";
  EXPECT_EQ(retained(), (std::vector<Retained>{kJournal, kLedger}));
  ASSERT_TRUE(fs::exists(dir / "TF.TPS"));
  EXPECT_TRUE(retained_in(dir).empty());
}

// An entry the retained file's unique key refuses (the same name and folder
// in another letter case) is lost from the file alone; the rest is kept.
TEST_F(ProjectSubsetsTest, AnEntryTheRetainedFileRefusesCostsOnlyThatEntry) {
  seed(kApps, kProjects);
  retain_tags(1);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) {
    // Another program renames LEDGER.APP of Accounting in lower case; the
    // subset keeps its copy under the old name.
    data::AppRecord record;
    storage::RecordFile other(data::AppsDef, &record);
    ASSERT_EQ(other.open(), 0) << error_text();
    record.APPLICATION = "LEDGER.APP";
    record.DRIVENPATH = "/dev/ledger/";
    ASSERT_EQ(other.get(data::APP_DriveKey), 0) << error_text();
    record.APPLICATION = "ledger.app";
    ASSERT_EQ(other.put(), 0) << error_text();
    other.close();
    w.select_row(LIST_2, kWarehouse);
  });
  user.then([&](WindowView& w) { w.press("&Toggle"); });
  user.then([&](WindowView& w) { w.select_row(LIST_2, kAccounting); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"ledger.app", "JOURNAL.APP", "ACCOUNTS.APP"}));
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{0, 0, 0})) << "membership goes by the name as written";
    w.press("&Toggle");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST_3), (std::vector<int>{1, 0, 0}));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(retained(), (std::vector<Retained>{kLedger, kStock}));
}

}  // namespace

}  // namespace qvn::automation::testing
