#pragma once
// Queues: in-memory lists of records as the language keeps them. A queue has
// one record buffer, through which every entry is written and read, and a
// pointer: the number (from 1) of the entry that the last add or get left
// current, 0 when there is none.
//
// Every operation clears the thread's last error when it succeeds. A get
// that finds nothing sets err::EntryNotFound and leaves the buffer and the
// pointer as they were; a put or erase without a current entry sets
// err::RecordNotAvailable.
//
// Operations "by fields" take one or more keys, each a pointer to a member
// of the record or a callable that projects a record to a value; entries are
// compared key by key, ascending. Texts compare by their bytes, case and
// trailing blanks included (FixedString fields are always blank-padded).
//
//   struct Entry { FixedString<50> name; uint8_t priority; };
//   Queue<Entry> q;
//   q->name = "MAIN.APP";
//   q.add_in_order(&Entry::name);
//   if (q.get_by(&Entry::name)) q.erase();

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

#include "platform/core/error_state.h"

namespace qvn::ui {

namespace queue_detail {

template <class T>
decltype(auto) ordered(const T& v) {
  if constexpr (requires { v.raw(); }) {
    return v.raw();
  } else if constexpr (requires { v.view(); }) {
    return v.view();
  } else {
    return (v);
  }
}

template <class A, class B>
int compare_values(const A& a, const B& b) {
  const auto& x = ordered(a);
  const auto& y = ordered(b);
  if (x < y) return -1;
  if (y < x) return 1;
  return 0;
}

template <class Rec, class... Keys>
int compare(const Rec& a, const Rec& b, const Keys&... keys) {
  int result = 0;
  ((result = result != 0 ? result : compare_values(std::invoke(keys, a), std::invoke(keys, b))), ...);
  return result;
}

}  // namespace queue_detail

template <class Rec>
class Queue {
 public:
  Rec& buffer() { return buffer_; }
  const Rec& buffer() const { return buffer_; }
  Rec* operator->() { return &buffer_; }
  const Rec* operator->() const { return &buffer_; }

  size_t records() const { return entries_.size(); }
  size_t pointer() const { return pointer_; }

  // Appends the buffer as the last entry, which becomes current.
  void add() { insert(entries_.size()); }

  // Inserts the buffer as entry `position`; later entries move down one.
  // A position past the end appends; 0 inserts as the first entry.
  void add_at(size_t position) { insert(std::clamp<size_t>(position, 1, entries_.size() + 1) - 1); }

  // Inserts the buffer before the first entry that sorts after it by the
  // keys, so equal entries keep the order in which they were added. The
  // queue need not be sorted; the entries are searched from the first.
  template <class... Keys>
  requires(sizeof...(Keys) > 0) void add_in_order(const Keys&... keys) {
    size_t at = 0;
    while (at < entries_.size() && queue_detail::compare(entries_[at], buffer_, keys...) <= 0) ++at;
    insert(at);
  }

  // Copies entry `position` (from 1) into the buffer and makes it current.
  bool get(size_t position) {
    if (position < 1 || position > entries_.size()) return not_found();
    found(position);
    return true;
  }

  // Finds the first entry whose key fields equal the buffer's, searching the
  // whole queue whatever its order, and copies it into the buffer.
  template <class... Keys>
  requires(sizeof...(Keys) > 0) bool get_by(const Keys&... keys) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (queue_detail::compare(entries_[i], buffer_, keys...) == 0) {
        found(i + 1);
        return true;
      }
    }
    return not_found();
  }

  // Writes the buffer back over the current entry.
  bool put() {
    if (!current_) return not_available();
    entries_[pointer_ - 1] = buffer_;
    clear_error();
    return true;
  }

  // Deletes the current entry; later entries move up one. The pointer keeps
  // its number, but no entry is current until the next add or get.
  bool erase() {
    if (!current_) return not_available();
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pointer_ - 1));
    current_ = false;
    clear_error();
    return true;
  }

  // Removes every entry; the buffer keeps its contents.
  void free() {
    clear_error();
    entries_.clear();
    pointer_ = 0;
    current_ = false;
  }

  // Sorts the entries by the keys, ascending; equal entries keep their order.
  // Afterwards no entry is current.
  template <class... Keys>
  requires(sizeof...(Keys) > 0) void sort(const Keys&... keys) {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const Rec& a, const Rec& b) { return queue_detail::compare(a, b, keys...) < 0; });
    pointer_ = 0;
    current_ = false;
    clear_error();
  }

  // Entry `position` (from 1) without touching the buffer, the pointer or the
  // last error; nullptr when there is none. For lists that show the queue.
  const Rec* entry(size_t position) const {
    return position >= 1 && position <= entries_.size() ? &entries_[position - 1] : nullptr;
  }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  void insert(size_t index) {
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(index), buffer_);
    pointer_ = index + 1;
    current_ = true;
    clear_error();
  }
  void found(size_t position) {
    buffer_ = entries_[position - 1];
    pointer_ = position;
    current_ = true;
    clear_error();
  }
  bool not_found() {
    set_error(err::EntryNotFound);
    return false;
  }
  bool not_available() {
    set_error(err::RecordNotAvailable);
    return false;
  }

  Rec buffer_{};
  std::vector<Rec> entries_;
  size_t pointer_ = 0;
  bool current_ = false;
};

}  // namespace qvn::ui
