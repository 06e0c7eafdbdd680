// Resource and control ids of nerro-setup.exe: the main dialog (template 102),
// the folder chooser (template 131) and the two window icons.
#pragma once

#define IDD_INSTALLER 102
#define IDD_FOLDER_CHOOSER 131
#define IDI_SETUP_LARGE 128
#define IDI_SETUP_SMALL 133

// Main dialog.
#define IDC_INSTALL 1001
#define IDC_PATH 1002
#define IDC_BROWSE 1004
#define IDC_STATUS_RUNNING 1007
#define IDC_PROGRESS 1008
#define IDC_NOTICE 1009
#define IDC_LANGUAGE 1010
#define IDC_APPLICATIONS 1011
#define IDC_TITLE 1012
#define IDC_STATUS_READY 1016
#define IDC_LOGO 1018
#define IDC_PATH_LABEL 1023
#define IDC_APPLICATIONS_LABEL 1025
#define IDC_LANGUAGE_LABEL 1026
#define IDC_EXIT 1027
#define IDC_NO_HOST_NOTE 1030

// Folder chooser.
#define IDC_CHOOSER_TREE 1002
#define IDC_CHOOSER_PATH 1012
