#pragma once
// Declarations of keyed record files: fields, keys and the file itself.
//
// A record is a C++ struct of fixed-width members (FixedString<N>,
// CString<N>, int8/16/32). A FieldDef names one member by its offset in that
// struct; the packed record size is the sum of the field widths.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/fixed_string.h"

namespace qvn::storage {

enum class FieldKind { String, CString, Byte, Short, UShort, Long };

struct FieldDef {
  std::string name;  // label with prefix, e.g. "APP:APPLICATION"
  FieldKind kind;
  size_t width;   // bytes in the packed record (String/CString: n; Byte 1; Short/UShort 2; Long 4)
  size_t offset;  // offset of the member in the C++ record struct
};

struct KeyDef {
  std::string name;                // e.g. "APP:DriveKey"
  std::vector<size_t> components;  // indexes into FileDef::fields, in key order
  bool dup = false;                // several records may hold equal values
  bool opt = false;                // records whose components are all empty are left out
  bool nocase = false;             // letters compare as upper case
  bool primary = false;
};

enum class Driver { Keyed, Dos };

// The program-wide name variable of a file: read (clipped) at open, create and remove.
using NameVar = FixedString<64>;

struct FileDef {
  std::string label;   // "Apps"
  std::string prefix;  // "APP"
  Driver driver = Driver::Keyed;
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;
  size_t struct_size = 0;  // sizeof the C++ record struct
  // The name variable; a STRING of any width, given as pointer and width so
  // that an 80-character name (the DOS file) fits too.
  char* name_var = nullptr;
  size_t name_width = 0;

  size_t record_size() const;  // packed size: sum of field widths
  const KeyDef* key(std::string_view name) const;
  int field_index(std::string_view name) const;  // -1 when absent
};

// The lowest and highest values a number field of this kind holds.
int64_t lowest_number(FieldKind kind);
int64_t highest_number(FieldKind kind);

// The packed form of a record: its fields one after another in declaration
// order, no alignment, numbers little-endian; record_size() bytes.
void pack_record(const FileDef& def, const void* buffer, uint8_t* packed);
void unpack_record(const FileDef& def, const uint8_t* packed, void* buffer);

}  // namespace qvn::storage

// Describes member M of record struct R as a field named NAME.
#define QVN_FIELD(R, M, NAME) ::qvn::storage::make_field<decltype(R::M)>(NAME, offsetof(R, M))

namespace qvn::storage {
template <class T>
struct FieldTraits;
template <size_t N>
struct FieldTraits<FixedString<N>> {
  static constexpr FieldKind kind = FieldKind::String;
  static constexpr size_t width = N;
};
template <size_t N>
struct FieldTraits<CString<N>> {
  static constexpr FieldKind kind = FieldKind::CString;
  static constexpr size_t width = N;
};
template <>
struct FieldTraits<uint8_t> {
  static constexpr FieldKind kind = FieldKind::Byte;
  static constexpr size_t width = 1;
};
template <>
struct FieldTraits<int16_t> {
  static constexpr FieldKind kind = FieldKind::Short;
  static constexpr size_t width = 2;
};
template <>
struct FieldTraits<uint16_t> {
  static constexpr FieldKind kind = FieldKind::UShort;
  static constexpr size_t width = 2;
};
template <>
struct FieldTraits<int32_t> {
  static constexpr FieldKind kind = FieldKind::Long;
  static constexpr size_t width = 4;
};

template <class T>
FieldDef make_field(std::string name, size_t offset) {
  return FieldDef{std::move(name), FieldTraits<T>::kind, FieldTraits<T>::width, offset};
}
}  // namespace qvn::storage
