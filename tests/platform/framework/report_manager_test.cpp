// The report manager with its progress window, driven by a scripted user:
// every entry printed once in storage order and previewed, an empty file
// told apart from one that cannot be read, and Cancel in the middle.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report_fixture.h"
#include "support/headless.h"

namespace qvn::framework::report_testing {
namespace {

using ui::HeadlessUser;
using ui::WindowView;

void tick(WindowView& w) { w.advance_time(100); }

class ReportManagerTest : public EntryFileTest {};

class ReportRunTest : public ReportManagerTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReportRunTest, EveryEntryIsPrintedOnceInStorageOrderAndPreviewed) {
  const int count = GetParam();
  add_entries(count);
  HeadlessUser user;
  user.keep_on_window(kProgressCaption, tick);
  user.print_preview();
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Completed);

  EXPECT_EQ(report.taken, count) << "every entry, the first one too, goes through TakeRecord";
  EXPECT_EQ(report.no_records, 0);
  EXPECT_FALSE(window_->is_open());
  EXPECT_EQ(progress_, 100);
  EXPECT_EQ(window_->state(window_->field("?PROGRESS:PCTTEXT")).text, "100% Complete");
  ASSERT_EQ(user.previews().size(), 1u);
  const auto& shown = user.previews()[0];
  EXPECT_EQ(shown.def.title, "Report Preview");
  EXPECT_TRUE(shown.def.maximized);
  const report::ReportDocument& doc = shown.document;
  EXPECT_EQ(doc.page_count(), static_cast<size_t>((count + 25) / 26));
  EXPECT_EQ(events(doc), event_words(0, count));
  for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
    EXPECT_EQ(doc.texts(page, "?PAGECOUNT"), (std::vector<std::string>{report::sample::page_text(page)}));
  }
  EXPECT_TRUE(report.PreviewAnswer().printed);
  EXPECT_EQ(report.PreviewAnswer().pages.size(), doc.page_count());
  EXPECT_EQ(report_->document().page_count(), 0u) << "the report's pages are dropped when it ends";
  EXPECT_TRUE(user.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, ReportRunTest, ::testing::Values(1, 26, 27, 53, 300));

TEST_F(ReportManagerTest, AnEmptyFileTakesTheNoRecordsStepAndPreviewsNothing) {
  HeadlessUser user;
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Cancelled);
  EXPECT_EQ(report.no_records, 1);
  EXPECT_EQ(report.taken, 0);
  EXPECT_TRUE(user.previews().empty());
  EXPECT_TRUE(user.messages().empty()) << "an empty file is no failure";
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kProgressCaption}));
}

TEST_F(ReportManagerTest, LeavingThePreviewPrintsNothingButCompletes) {
  add_entries(3);
  HeadlessUser user;
  user.keep_on_window(kProgressCaption, tick);
  user.leave_preview();
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Completed);
  ASSERT_EQ(user.previews().size(), 1u);
  EXPECT_FALSE(report.PreviewAnswer().printed);
  EXPECT_TRUE(report.PreviewAnswer().pages.empty());
}

TEST_F(ReportManagerTest, ChosenPagesArePrinted) {
  add_entries(60);
  HeadlessUser user;
  user.keep_on_window(kProgressCaption, tick);
  user.print_preview({2, 3});
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Completed);
  EXPECT_EQ(report.PreviewAnswer().pages, (std::vector<int>{2, 3}));
}

TEST_F(ReportManagerTest, CancelEndsTheReportAtOnceWithoutPreview) {
  add_entries(500);
  HeadlessUser user;
  int64_t read_before_cancel = 0;
  user.on_window(kProgressCaption, tick);
  user.on_window(kProgressCaption, tick);
  user.on_window(kProgressCaption, [&](WindowView& w) {
    read_before_cancel = process_.RecordsRead();
    EXPECT_GT(read_before_cancel, 1);
    EXPECT_EQ(w.text("?PROGRESS:PCTTEXT"), std::to_string(process_.Progress()) + "% Complete");
    w.press("Cancel");
  });
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Cancelled);
  EXPECT_EQ(process_.RecordsRead(), read_before_cancel) << "nothing read after Cancel";
  EXPECT_EQ(report.taken, read_before_cancel);
  EXPECT_LT(read_before_cancel, 500);
  EXPECT_TRUE(user.previews().empty());
  EXPECT_EQ(report_->document().page_count(), 0u);
  EXPECT_FALSE(window_->is_open());
}

TEST_F(ReportManagerTest, ClosingTheProgressWindowEndsCancelled) {
  add_entries(500);
  HeadlessUser user;
  user.on_window(kProgressCaption, tick);
  user.on_window(kProgressCaption, [](WindowView& w) { w.close(); });
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Cancelled);
  EXPECT_TRUE(user.previews().empty());
}

struct ReadFailure {
  const char* title;
  int entries;
  int fail_at;  // the read that fails, from 1
};

std::ostream& operator<<(std::ostream& os, const ReadFailure& f) { return os << f.title; }

class ReadFailureTest : public ReportManagerTest, public ::testing::WithParamInterface<ReadFailure> {};

// A read that fails is reported through the file manager and ends the
// report cancelled; it is not taken for an empty file.
TEST_P(ReadFailureTest, IsReportedNotTakenForAnEmptyFile) {
  const ReadFailure& f = GetParam();
  add_entries(f.entries);
  process_.fail_at = f.fail_at;
  HeadlessUser user;
  if (f.fail_at > 1) user.keep_on_window(kProgressCaption, tick);
  user.answer_any_message(ui::button::Ok);
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Cancelled);
  EXPECT_EQ(report.no_records, 0);
  EXPECT_EQ(report.taken, f.fail_at - 1);
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Record Retrieval Error");
  EXPECT_NE(user.messages()[0].box.text.find("ENTRIES.TPS"), std::string::npos) << user.messages()[0].box.text;
  EXPECT_TRUE(user.previews().empty());
  EXPECT_FALSE(window_->is_open());
}

INSTANTIATE_TEST_SUITE_P(Reads, ReadFailureTest,
                         ::testing::Values(ReadFailure{"the first read", 5, 1}, ReadFailure{"a later read", 60, 30},
                                           ReadFailure{"the read after the last entry", 4, 5}));

TEST_F(ReportManagerTest, AFileThatCannotBeOpenedIsReportedAndEndsCancelled) {
  // The manager creates a missing file, but not in a missing folder; that
  // failure is fatal to the program, and the report ends if it goes on.
  name_ = (dir_ / "MISSING" / "ENTRIES.TPS").string();
  HeadlessUser user;
  user.answer_any_message(ui::button::Ok);
  ListingProcedure report(*window_, process_, *report_, *manager_);
  EXPECT_EQ(report.Run(), response::Cancelled);
  EXPECT_EQ(report.no_records, 0);
  EXPECT_FALSE(user.messages().empty());
  EXPECT_EQ(halts_.size(), 1u);
  EXPECT_TRUE(user.previews().empty());
}

}  // namespace
}  // namespace qvn::framework::report_testing
