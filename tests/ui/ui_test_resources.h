// Resource ids of the window system's test resources.
#define IDD_SAMPLE 100
#define IDD_SMALL 101
#define IDR_BLOB 200
#define IDC_NAME 1001
#define IDC_CHECK 1002
#define IDC_ONE 1003
#define IDC_TWO 1004
#define IDC_THREE 1005
#define IDC_LIST 1006
#define IDC_LABEL 1007
#define IDC_NUMBER 1008
#define IDD_PICTURE 102
#define IDC_DISABLED 1009
#define IDC_APPLY 1010
