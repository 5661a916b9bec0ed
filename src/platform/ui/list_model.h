#pragma once
// The rows a list control shows: the list's queue, one entry per row, each
// entry its queue fields as text in the order the list format consumes them
// (value, then four colours when the column has '*', then the icon number
// when it has 'I', then the tree level when it has 'T'; then fields without
// columns). Browses fill it; the window renders it through the format.

#include <string>
#include <vector>

namespace qvn::ui {

class ListModel {
 public:
  virtual ~ListModel() = default;
  virtual size_t rows() const = 0;
  virtual std::vector<std::string> fields(size_t row) const = 0;  // row 0-based
};

// A list queue held in memory.
class VectorListModel final : public ListModel {
 public:
  size_t rows() const override { return rows_.size(); }
  std::vector<std::string> fields(size_t row) const override { return rows_.at(row); }
  std::vector<std::vector<std::string>>& data() { return rows_; }

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace qvn::ui
