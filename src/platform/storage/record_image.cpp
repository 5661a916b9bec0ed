#include "platform/storage/record_image.h"

#include <charconv>
#include <cstring>

namespace qvn::storage::detail {

namespace {

char* at(void* record, const FieldDef& f) { return static_cast<char*>(record) + f.offset; }
const char* at(const void* record, const FieldDef& f) { return static_cast<const char*>(record) + f.offset; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool parse_int(std::string_view s, int64_t* out) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && p == s.data() + s.size();
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool is_text(FieldKind kind) { return kind == FieldKind::String || kind == FieldKind::CString; }

std::string_view text_of(const FieldDef& f, const void* record) {
  const char* p = at(record, f);
  if (f.kind == FieldKind::CString) return clip(std::string_view(p, strnlen(p, f.width)));
  return clip(std::string_view(p, f.width));
}

std::string_view stored_text_of(const FieldDef& f, const void* record) {
  const char* p = at(record, f);
  if (f.kind == FieldKind::CString) return std::string_view(p, strnlen(p, f.width));
  return clip(std::string_view(p, f.width));
}

int64_t number_of(const FieldDef& f, const void* record) {
  const char* p = at(record, f);
  switch (f.kind) {
    case FieldKind::Byte: {
      uint8_t v;
      std::memcpy(&v, p, 1);
      return v;
    }
    case FieldKind::Short: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case FieldKind::UShort: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case FieldKind::Long: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default: return 0;
  }
}

void set_text(const FieldDef& f, void* record, std::string_view value) {
  char* p = at(record, f);
  if (f.kind == FieldKind::CString) {
    size_t n = std::min(value.size(), f.width - 1);
    const void* nul = std::memchr(value.data(), '\0', n);
    if (nul) n = static_cast<size_t>(static_cast<const char*>(nul) - value.data());
    std::memcpy(p, value.data(), n);
    std::memset(p + n, 0, f.width - n);
  } else {
    size_t n = std::min(value.size(), f.width);
    std::memcpy(p, value.data(), n);
    std::memset(p + n, ' ', f.width - n);
  }
}

void set_number(const FieldDef& f, void* record, int64_t value) {
  char* p = at(record, f);
  switch (f.kind) {
    case FieldKind::Byte: {
      auto v = static_cast<uint8_t>(value);
      std::memcpy(p, &v, 1);
      break;
    }
    case FieldKind::Short: {
      auto v = static_cast<int16_t>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    case FieldKind::UShort: {
      auto v = static_cast<uint16_t>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    case FieldKind::Long: {
      auto v = static_cast<int32_t>(value);
      std::memcpy(p, &v, 4);
      break;
    }
    default: break;
  }
}

void clear_field(const FieldDef& f, void* record) {
  if (f.kind == FieldKind::String)
    std::memset(at(record, f), ' ', f.width);
  else
    std::memset(at(record, f), 0, f.width);
}

void clear_record(const FileDef& def, void* record) {
  for (const FieldDef& f : def.fields) clear_field(f, record);
}

void copy_fields(const FileDef& def, const void* from, void* to) {
  for (const FieldDef& f : def.fields) std::memcpy(at(to, f), at(from, f), f.width);
}

bool fields_equal(const FileDef& def, const void* a, const void* b) {
  for (const FieldDef& f : def.fields) {
    if (is_text(f.kind)) {
      if (text_of(f, a) != text_of(f, b)) return false;
    } else if (number_of(f, a) != number_of(f, b)) {
      return false;
    }
  }
  return true;
}

bool key_values_equal(const FileDef& def, const KeyDef& key, const void* a, const void* b) {
  for (size_t c : key.components) {
    const FieldDef& f = def.fields[c];
    if (is_text(f.kind)) {
      if (compare_text(text_of(f, a), text_of(f, b), key.nocase) != 0) return false;
    } else if (number_of(f, a) != number_of(f, b)) {
      return false;
    }
  }
  return true;
}

int compare_text(std::string_view a, std::string_view b, bool nocase) {
  a = clip(a);
  b = clip(b);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(nocase ? upper(a[i]) : a[i]);
    unsigned char y = static_cast<unsigned char>(nocase ? upper(b[i]) : b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool key_empty(const FileDef& def, const KeyDef& key, const void* record) {
  for (size_t c : key.components) {
    const FieldDef& f = def.fields[c];
    if (is_text(f.kind) ? !text_of(f, record).empty() : number_of(f, record) != 0) return false;
  }
  return true;
}

std::string encode_position(const FileDef& def, const KeyDef& key, const void* record, int64_t rowid) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (size_t c : key.components) {
    const FieldDef& f = def.fields[c];
    if (is_text(f.kind)) {
      for (char ch : text_of(f, record)) {
        auto u = static_cast<unsigned char>(ch);
        if (ch == '%' || ch == '|' || u < 0x20) {
          out += '%';
          out += hex[u >> 4];
          out += hex[u & 15];
        } else {
          out += ch;
        }
      }
    } else {
      out += std::to_string(number_of(f, record));
    }
    out += '|';
  }
  out += std::to_string(rowid);
  return out;
}

bool decode_position(const FileDef& def, const KeyDef& key, std::string_view text, void* record, int64_t* rowid) {
  size_t start = 0;
  for (size_t c : key.components) {
    size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) return false;
    std::string_view part = text.substr(start, bar - start);
    start = bar + 1;
    const FieldDef& f = def.fields[c];
    if (is_text(f.kind)) {
      std::string value;
      for (size_t i = 0; i < part.size(); ++i) {
        if (part[i] != '%') {
          value += part[i];
          continue;
        }
        if (i + 2 >= part.size()) return false;
        int hi = hex_digit(part[i + 1]), lo = hex_digit(part[i + 2]);
        if (hi < 0 || lo < 0) return false;
        value += static_cast<char>(hi * 16 + lo);
        i += 2;
      }
      set_text(f, record, value);
    } else {
      int64_t v;
      if (!parse_int(part, &v)) return false;
      set_number(f, record, v);
    }
  }
  return parse_int(text.substr(start), rowid);
}

}  // namespace qvn::storage::detail
