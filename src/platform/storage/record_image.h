#pragma once
// Reading and writing the fields of a record struct, comparing key values
// the way the keys order them, and the text form of a key value used in
// record positions.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/file_def.h"

namespace qvn::storage::detail {

bool is_text(FieldKind kind);

// The value of a text field without trailing blanks (a CSTRING up to its
// terminator, then clipped).
std::string_view text_of(const FieldDef& f, const void* record);
// The value as stored: a STRING without trailing blanks, a CSTRING whole.
std::string_view stored_text_of(const FieldDef& f, const void* record);
int64_t number_of(const FieldDef& f, const void* record);

void set_text(const FieldDef& f, void* record, std::string_view value);
void set_number(const FieldDef& f, void* record, int64_t value);
void clear_field(const FieldDef& f, void* record);
void clear_record(const FileDef& def, void* record);

// Copies every field of `from` into `to` (both laid out as `def` says).
void copy_fields(const FileDef& def, const void* from, void* to);
bool fields_equal(const FileDef& def, const void* a, const void* b);
// True when the key's components hold equal values as the key compares them.
bool key_values_equal(const FileDef& def, const KeyDef& key, const void* a, const void* b);

// Text comparison as keys order it: trailing blanks ignored, and with
// `nocase` the letters a to z compare as A to Z.
int compare_text(std::string_view a, std::string_view b, bool nocase);

// True when every component of the key is empty (text blank, number 0):
// such a record is not entered in an OPT key.
bool key_empty(const FileDef& def, const KeyDef& key, const void* record);

// Key value and record pointer as text: the components, then the pointer,
// separated by "|"; "%", "|" and control characters are written as %XX.
std::string encode_position(const FileDef& def, const KeyDef& key, const void* record, int64_t rowid);
// Reads an encoded position into the key fields of `record` and the
// pointer; false when the text is not a position in this key.
bool decode_position(const FileDef& def, const KeyDef& key, std::string_view text, void* record, int64_t* rowid);

}  // namespace qvn::storage::detail
