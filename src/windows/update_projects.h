#pragma once
// UpdateProjects, the project form: a project's name and the applications
// that belong to it. The caller leaves the request in GlobalRequest and the
// project in the Projects record buffer (primed, for an insert); the form
// leaves its response in GlobalResponse.

namespace qvn::windows {

void UpdateProjects();

}  // namespace qvn::windows

// Field numbers of the project form's controls, in the order of the structure,
// which declares each control by its name here.
namespace qvn::windows::update_projects {

enum Field : int {
  CURRENTTAB = 1,
  TAB_1,
  PRO_PROJECTNAME_PROMPT,
  PRO_PROJECTNAME,
  GROUP1,
  STRING1,
  BROWSE_2,
  ADDAPPBUTTON,
  REMOVEAPPBUTTON,
  CHANGE_3,
  OK,
  CANCEL,
};

}  // namespace qvn::windows::update_projects
