// Resource IDs; the values are part of the program's resources and must stay.
#pragma once

#define IDD_MASTERINSTALL_DIALOG 102

#define IDI_FILE_ICON 128  // the first icon group: what the shell shows for the program file
#define IDI_APP_ICON 130   // the dialog's window, minimised and drag icon

#define IDC_OPTION_ACROBAT 1001
#define IDC_OPTION_KIT 1002
#define IDC_OPTION_KEIL 1004
#define IDC_OPTION_CABLE_TEST 1005
