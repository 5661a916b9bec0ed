#include "data/retained_subset.h"

namespace qvn::data {

namespace {

bool opened = false;

}  // namespace

void note_tag_file_opened() { opened = true; }
bool tag_file_opened() { return opened; }
void forget_tag_file_opened() { opened = false; }

}  // namespace qvn::data
