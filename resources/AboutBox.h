#pragma once
// The About box's dialog template (AboutBox.rc) and its controls.
// The template's name is the string "TFormAboutBox".

#define IDC_ABOUT_PROGRAMICON 1001
#define IDC_ABOUT_PRODUCTNAME 1002
#define IDC_ABOUT_VERSION 1003
#define IDC_ABOUT_COPYRIGHT 1004
#define IDC_ABOUT_COMMENTS 1005
#define IDC_ABOUT_TOOLBAR 1006
// The two toolbar buttons (command identifiers, not windows).
#define IDC_ABOUT_OK 1007
#define IDC_ABOUT_WEBPAGE 1008
