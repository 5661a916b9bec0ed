#pragma once
// The view a browse reads: the records of one file in the order of one of
// its keys, with sort fields appended after the key's own (ties between
// equal key values are broken by them, then by storage order), optionally
// limited to the records whose range field holds one value.
//
// The view reads only what it is asked for, starting from a point in its
// order: a record it returned before, a value in the record buffer, or an
// end of the view. Every read starts afresh from that point, so others may
// read the same file in between. The file's record buffer is left as it
// was; the records come back as copies.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/file_manager.h"
#include "platform/storage/file_def.h"

namespace qvn::framework {

struct ViewRecord {
  std::vector<char> image;  // the record struct as read
  int64_t pointer = 0;
  std::string position;  // reads the record again (RecordFile::reget)
};

class BrowseView {
 public:
  struct Order {
    const storage::KeyDef* key = nullptr;
    std::vector<size_t> appended;  // field indexes, ascending
    int range_field = -1;          // field index, -1 without a range
  };

  explicit BrowseView(FileManager& file) : file_(file) {}

  void SetOrder(const Order& order);
  // The value the range field must hold, as text (a number's digits).
  void SetRangeValue(const std::string& value);

  // A point in the order: the key and appended values of `image`, then the
  // pointer (0: before every record with those values).
  struct Point {
    const void* image = nullptr;
    int64_t pointer = 0;
  };

  // Up to `count` records after `from` (at or after it with `inclusive`), in
  // order; without `from`, from the start of the view.
  std::vector<ViewRecord> Forward(const Point* from, bool inclusive, size_t count);
  // Up to `count` records before `from`, nearest first; without `from`,
  // from the end of the view.
  std::vector<ViewRecord> Backward(const Point* from, size_t count);

  bool InRange(const void* image) const;
  // Sets the key fields of `image` to the lowest values they can hold.
  void LowestKey(void* image) const;
  // The order of two records of the same key value: appended fields, then pointer.
  int CompareWithinKey(const void* a, int64_t pointer_a, const void* b, int64_t pointer_b) const;
  bool SameKey(const void* a, const void* b) const;

 private:
  const storage::FileDef& def() const { return file_.FILE->def(); }
  bool PrefixRange() const;
  // The buffer set up to start reading: the key values of `point`, or the
  // lowest (highest) values the view can hold.
  void SeekImage(const Point* point, bool highest);
  // The key's order set to read on from `point` (or the range's prefix),
  // backward or forward, else from the key's start; the file's error code.
  int SetOrderFrom(const Point* point, bool backward);
  ViewRecord Current() const;
  // Reads one record; false at the end of the view. Other failures are reported.
  bool Read(bool forward, bool& in_view);
  void SortGroup(std::vector<ViewRecord>& group) const;
  // Reads on in one direction, handing each group of records of one key
  // value, sorted, to `take`, until the view ends or `out` holds `count`.
  void Gather(bool forward, size_t count, std::vector<ViewRecord>& out,
              const std::function<void(std::vector<ViewRecord>&)>& take);

  FileManager& file_;
  Order order_;
  std::vector<char> range_image_;  // a record holding the range value in its range field
  bool range_set_ = false;
};

}  // namespace qvn::framework
