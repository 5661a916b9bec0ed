#pragma once
// UpdateApps, the application form: one record of the application file
// added, changed, viewed or deleted. The caller leaves the request in
// GlobalRequest and the record in the Apps record buffer; the form leaves
// its response in GlobalResponse.

namespace qvn::windows {

void UpdateApps();

}  // namespace qvn::windows

// Field numbers of P1$FORMWINDOW's controls, in the order of the structure,
// which declares each control by its name here.
namespace qvn::windows::update_apps {

enum Field : int {
  FULLNAME_PROMPT = 1,
  FULLNAME,
  LOOKUPFILE,
  APP_DRIVENPATH_PROMPT,
  APP_DRIVENPATH,
  APP_APPLICATION_PROMPT,
  APP_APPLICATION,
  APP_TARGET_PROMPT,
  APP_TARGET,
  LOOKUPFILE_2,
  STRING1,
  APP_PRIORITY_PROMPT,
  APP_PRIORITY,
  STRING2,
  APP_TAG,
  OK,
  CANCEL,
};

}  // namespace qvn::windows::update_apps
