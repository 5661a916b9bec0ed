#pragma once
// The shared Projects and Apps record buffers as they were, put back when
// the object goes. The tree and the runs read into these buffers, and the
// lists of the main window follow them: ?LIST:3 is ranged by the project in
// the Projects buffer, and the Apps buffer must never carry a target a run
// changed in memory to a later write.

#include "data/files.h"

namespace qvn::automation {

class KeepBuffers {
 public:
  KeepBuffers() : pro_(data::PRO), app_(data::APP) {}
  ~KeepBuffers() {
    data::PRO = pro_;
    data::APP = app_;
  }
  KeepBuffers(const KeepBuffers&) = delete;
  KeepBuffers& operator=(const KeepBuffers&) = delete;

 private:
  data::ProjectRecord pro_;
  data::AppRecord app_;
};

}  // namespace qvn::automation
