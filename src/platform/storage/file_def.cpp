#include "platform/storage/file_def.h"

#include <cstring>

#include "platform/storage/record_image.h"

namespace qvn::storage {

size_t FileDef::record_size() const {
  size_t n = 0;
  for (const FieldDef& f : fields) n += f.width;
  return n;
}

const KeyDef* FileDef::key(std::string_view name) const {
  for (const KeyDef& k : keys)
    if (k.name == name) return &k;
  return nullptr;
}

int FileDef::field_index(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == name) return static_cast<int>(i);
  return -1;
}

int64_t lowest_number(FieldKind kind) {
  switch (kind) {
    case FieldKind::Short: return INT16_MIN;
    case FieldKind::Long: return INT32_MIN;
    default: return 0;
  }
}

int64_t highest_number(FieldKind kind) {
  switch (kind) {
    case FieldKind::Byte: return UINT8_MAX;
    case FieldKind::Short: return INT16_MAX;
    case FieldKind::UShort: return UINT16_MAX;
    case FieldKind::Long: return INT32_MAX;
    default: return 0;
  }
}

void pack_record(const FileDef& def, const void* buffer, uint8_t* packed) {
  const char* record = static_cast<const char*>(buffer);
  for (const FieldDef& f : def.fields) {
    if (detail::is_text(f.kind)) {
      std::memcpy(packed, record + f.offset, f.width);
    } else {
      auto v = static_cast<uint64_t>(detail::number_of(f, buffer));
      for (size_t i = 0; i < f.width; ++i) packed[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    packed += f.width;
  }
}

void unpack_record(const FileDef& def, const uint8_t* packed, void* buffer) {
  char* record = static_cast<char*>(buffer);
  for (const FieldDef& f : def.fields) {
    if (detail::is_text(f.kind)) {
      std::memcpy(record + f.offset, packed, f.width);
    } else {
      uint64_t v = 0;
      for (size_t i = 0; i < f.width; ++i) v |= static_cast<uint64_t>(packed[i]) << (8 * i);
      int64_t value = static_cast<int64_t>(v);
      if (f.kind == FieldKind::Short) value = static_cast<int16_t>(v);
      if (f.kind == FieldKind::Long) value = static_cast<int32_t>(v);
      detail::set_number(f, buffer, value);
    }
    packed += f.width;
  }
}

}  // namespace qvn::storage
