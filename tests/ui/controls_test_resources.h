// Resource ids of the common controls' test pages.
#define IDD_PAGE_ALPHA 300
#define IDD_PAGE_BETA 301
#define IDD_PAGE_GAMMA 302
#define IDS_SHEET_TITLE 310
#define IDC_PAGE_SLIDER 3001
#define IDC_PAGE_CHECK 3002
#define IDC_PAGE_BUTTON 3003
