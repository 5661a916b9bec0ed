#pragma once
// SelectApp, the application picker: every application, by file name or by
// build priority, one of which the user picks. The caller leaves the
// request (select) in GlobalRequest; a pick answers completed in
// GlobalResponse with the picked row's fields in the Apps record buffer.

namespace qvn::windows {

void SelectApp();

}  // namespace qvn::windows

// Field numbers of P1$QUICKWINDOW's controls, in the order of the structure,
// which declares each control by its name here.
namespace qvn::windows::select_app {

enum Field : int {
  BROWSE_1 = 1,
  SELECT_2,
  INSERT_3,
  CHANGE_3,
  DELETE_3,
  CURRENTTAB,
  TAB_2,
  TAB_3,
  CLOSE,
};

}  // namespace qvn::windows::select_app
