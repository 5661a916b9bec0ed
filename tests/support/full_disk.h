#pragma once
// A disk that is full for one data file. While the object lives, every
// write SQLite makes to that file's rollback journal fails as it does on a
// full disk ("database or disk is full"), so every change to the file fails
// before the file itself is touched, and the file stays whole. The file is
// named by the last part of its path, without regard to case.
//
// It works as SQLite's default file system, which a connection takes when
// it opens: only connections opened while the object lives (the storage
// layer's per-thread connection is opened with the first data file a
// thread opens) see the full disk. One at a time.

#include <string>

namespace qvn::test_support {

class FullDisk {
 public:
  explicit FullDisk(std::string file_name);
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  // The writes refused so far.
  int refused() const;
};

}  // namespace qvn::test_support
