// Ids of the widget test dialog (widget_test_dialog.rc). The control ids
// follow the installer's main dialog where a widget plays the same part.
#pragma once

#define IDD_WIDGET_TEST 200

#define IDC_INSTALL 1001
#define IDC_PATH 1002
#define IDC_BROWSE 1004
#define IDC_NOTICE_LINE 1009
#define IDC_LANGUAGE 1010
#define IDC_APPLICATIONS 1011
#define IDC_TITLE_LINE 1012
#define IDC_LOGO 1018
#define IDC_PATH_LABEL 1023
#define IDC_LANGUAGE_LABEL 1026
#define IDC_EXIT 1027
#define IDC_DISABLED_BUTTON 1030
#define IDC_CENTRED_LINE 1040
#define IDC_TILDE_LINE 1041
#define IDC_EMPTY_LINE 1042
