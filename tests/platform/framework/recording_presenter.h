#pragma once
// A presenter that records every message box and answers from a script;
// questions without a scripted answer get No, notices and fatal messages OK.

#include <deque>
#include <string>
#include <vector>

#include "platform/framework/error_manager.h"

namespace qvn::framework::testing {

class RecordingPresenter final : public ErrorPresenter {
 public:
  int show(const MessageBox& box) override {
    shown.push_back(box);
    if (box.kind == MessageKind::Question && !answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return box.kind == MessageKind::Question ? ui::button::No : ui::button::Ok;
  }

  std::vector<std::string> titles() const {
    std::vector<std::string> out;
    for (const auto& box : shown) out.push_back(box.title);
    return out;
  }

  std::vector<MessageBox> shown;
  std::deque<int> answers;
};

}  // namespace qvn::framework::testing
