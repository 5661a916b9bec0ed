#pragma once
// Whether the file of the retained project subset, TF.TPS, was opened in
// this run of the main window: by the subset's load at open (RetainTags 1 at
// start) or by the settings window's Ok with RetainTags ticked. The main
// window's close writes the subset back only then, so that a TF.TPS kept
// from an earlier run is never replaced while the option was never on.

namespace qvn::data {

// TF.TPS was made ready to keep the subset.
void note_tag_file_opened();
// True once noted, until the main window's next start forgets it.
bool tag_file_opened();
void forget_tag_file_opened();

}  // namespace qvn::data
