// Steps the runs share, on their own: the split step, and the reading of
// the tagged applications, which keeps its place whatever else reads Apps
// while an application is made.

#include "automation/run_steps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/split_step.h"
#include "main_window_fixture.h"

namespace qvn::automation::testing {

namespace {

using ::testing::ElementsAreArray;

struct SplitCase {
  const char* application;
  const char* target;
  const char* base;
  const char* type;
  const char* target_after;  // in the buffer
};

TEST(SplitStep, BaseNameTypeAndTheTargetsFolder) {
  const SplitCase cases[] = {
      {"MAIN.APP", "C:\\OUT\\MAIN.EXE", "MAIN", "EXE", "C:\\OUT\\MAIN.EXE"},
      {"MAIN.APP", "MAIN.EXE", "MAIN", "EXE", "C:\\WORK\\MAIN.EXE"},
      {"MAIN", "MAIN.DLL", "MAIN", "DLL", "C:\\WORK\\MAIN.DLL"},
      {"MAIN.V2.APP", "MAIN.LIB.X", "MAIN", "LIB", "C:\\WORK\\MAIN.LIB.X"},
      // A folder is named with "/" as well as with "\".
      {"MAIN.APP", "/out/MAIN.EXE", "MAIN", "EXE", "/out/MAIN.EXE"},
      // No type: nothing is put in front.
      {"MAIN.APP", "MAIN.", "MAIN", "", "MAIN."},
      {"MAIN.APP", "", "MAIN", "", ""},
      // Without a "." the first three letters count as the type.
      {"MAIN.APP", "MAIN", "MAIN", "MAI", "C:\\WORK\\MAIN"},
  };
  data::make_thread_files();
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string(c.application) + " / " + c.target);
    MainLocals Loc;
    data::APP.APPLICATION = c.application;
    data::APP.DRIVENPATH = "C:\\WORK\\";
    data::APP.TARGET = c.target;
    split_step(Loc);
    EXPECT_EQ(Loc.BaseName, c.base);
    EXPECT_EQ(Loc.TargetExt, c.type);
    EXPECT_EQ(data::APP.TARGET, c.target_after);
  }
  // Cut to the field's 250 characters.
  MainLocals Loc;
  data::APP.DRIVENPATH = std::string(79, 'F') + "\\";
  data::APP.TARGET = std::string(200, 'T') + ".EXE";
  split_step(Loc);
  EXPECT_EQ(data::APP.TARGET.clipped().size(), 250u);
}

// What reads Apps between two applications of a run.
struct Disturbance {
  const char* name;
  std::function<void(storage::RecordFile& other)> act;  // `other`: another station's Apps
  std::vector<std::string> read;
};
void PrintTo(const Disturbance& d, std::ostream* os) { *os << d.name; }

class TaggedAppsKeepTheirPlace : public MainWindowTest, public ::testing::WithParamInterface<Disturbance> {};

TEST_P(TaggedAppsKeepTheirPlace, WhateverReadsAppsMeanwhile) {
  seed({{.application = "A.APP", .priority = 1, .tag = 1},
        {.application = "B.APP", .priority = 2, .tag = 0},
        {.application = "C.APP", .priority = 3, .tag = 1},
        {.application = "D.APP", .priority = 4, .tag = 1}});
  names_in(data_dir);
  data::AppRecord record;
  storage::RecordFile other(data::AppsDef, &record);
  ASSERT_EQ(other.open(), 0) << error_text();
  std::vector<std::string> read;
  {
    TaggedApps tagged;
    while (tagged.Next()) {
      read.push_back(data::APP.APPLICATION.str());
      if (read.size() == 1) GetParam().act(other);
      // The tree's rebuild reads Apps in another order, to its end.
      data::Apps.set_order(data::APP_P_RefKey);
      while (data::Apps.next() == 0) {
      }
    }
  }
  other.close();
  data::Apps.close();
  EXPECT_THAT(read, ElementsAreArray(GetParam().read));
}

INSTANTIATE_TEST_SUITE_P(
    Reads, TaggedAppsKeepTheirPlace,
    ::testing::Values(Disturbance{"NothingElse", [](storage::RecordFile&) {}, {"A.APP", "C.APP", "D.APP"}},
                      Disturbance{"TheNextOneDeleted",
                                  [](storage::RecordFile& other) {
                                    other.set_order(data::APP_PriorityKey);
                                    while (other.next() == 0) {
                                      if (static_cast<data::AppRecord*>(other.buffer())->APPLICATION == "C.APP") {
                                        other.erase();
                                        break;
                                      }
                                    }
                                  },
                                  {"A.APP", "D.APP"}},
                      Disturbance{"TheOneJustReadDeleted",
                                  [](storage::RecordFile& other) {
                                    other.set_order(data::APP_PriorityKey);
                                    ASSERT_EQ(other.next(), 0);
                                    other.erase();
                                  },
                                  {"A.APP", "C.APP", "D.APP"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace qvn::automation::testing
