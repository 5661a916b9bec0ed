#pragma once
// Reading and writing single fields of a record struct by their FieldDef, for
// code that handles records of any file (key values, linking fields).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/storage/file_def.h"

namespace qvn::framework {

bool is_text(const storage::FieldDef& f);
// A text field's value with trailing blanks removed; a number's digits.
std::string field_text(const storage::FieldDef& f, const void* record);
int64_t field_number(const storage::FieldDef& f, const void* record);
void set_field_number(const storage::FieldDef& f, void* record, int64_t value);
void set_field_text(const storage::FieldDef& f, void* record, std::string_view value);
// Blank text or the number 0.
bool field_empty(const storage::FieldDef& f, const void* record);
void clear_field(const storage::FieldDef& f, void* record);
// Trailing blanks never count; with nocase letters compare as upper case.
bool fields_equal(const storage::FieldDef& f, const void* a, const void* b, bool nocase);
// Copies a value between fields of two records, text to text, number to number.
void copy_field(const storage::FieldDef& from, const void* from_record, const storage::FieldDef& to, void* to_record);

}  // namespace qvn::framework
