// The Driver Information and Video Format dialogs' templates and control
// ids, shared by the resource script and the dialogs' code.
#pragma once

#define IDD_DRIVER_INFORMATION 129
#define IDD_VIDEO_FORMAT 131

// Video Format dialog
#define IDC_VF_SIZE_GROUP 1010
#define IDC_VF_FORMAT_GROUP 1011
#define IDC_VF_SIZE_LIST 1012
#define IDC_VF_WIDTH 1013
#define IDC_VF_HEIGHT 1014
#define IDC_VF_FORMAT_LIST 1015
#define IDC_VF_CAMERA_GROUP 1017
#define IDC_VF_CAMERA_LIST 1018
#define IDC_VF_CAMERA_TEXT 1019
#define IDC_VF_FULL_FIELD 1059
#define IDC_VF_SCALE_UP 1061
#define IDC_VF_SCALE_DOWN 1062

// Driver Information dialog
#define IDC_DI_CAMERA_LIST 1001
#define IDC_DI_CAMERA_TEXT 1002
#define IDC_DI_LANGUAGE_LIST 1003
#define IDC_DI_VERSION 1004
#define IDC_DI_LANGUAGE_LABEL 1005
#define IDC_DI_VERSION_LABEL 1006
#define IDC_DI_DRIVER_GROUP 1007
#define IDC_DI_CAMERA_GROUP 1008
#define IDC_DI_INFORMATION_GROUP 1009
#define IDC_DI_FIRMWARE_LABEL 1010
#define IDC_DI_FIRMWARE 1011
#define IDC_DI_SENSOR_LABEL 1012
#define IDC_DI_SENSOR 1013
