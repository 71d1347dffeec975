// Conformance of property sheets: pages made when first selected, the PSN_
// notifications of switching, OK, Cancel, Apply and the close box, and the
// records and handles PropertySheetA takes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string.h>

#include <deque>
#include <functional>
#include <map>
#include <string>

#include <kmxwin/window_snapshot.h>

#include "control_host.h"
#include "controls_test_resources.h"
#include "sheet_script.h"

namespace {

using kmxtest::InjectMouseAt;
using kmxtest::InjectTap;

// What a page saw: its index, and the message (WM_INITDIALOG,
// WM_SHOWWINDOW) or PSN_ code with its argument.
struct Event {
    int page;
    UINT what;
    LPARAM argument;
    bool operator==(const Event&) const = default;
};
constexpr UINT kInit = WM_INITDIALOG;
constexpr UINT kShow = WM_SHOWWINDOW;

std::vector<Event> g_events;
std::map<std::pair<int, UINT>, LRESULT> g_answers;  // a page's answer to a PSN_ code
std::function<void(int page, UINT code)> g_on_notify;
int g_appended = 0;  // data a program appended to the last page record seen

INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        const auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(lparam);
        SetWindowLongPtrA(page, DWLP_USER, record->lParam);
        if (record->dwSize >= sizeof *record + sizeof g_appended)
            memcpy(&g_appended, record + 1, sizeof g_appended);
        g_events.push_back({static_cast<int>(record->lParam), kInit, 0});
        return TRUE;
    }
    int index = static_cast<int>(GetWindowLongPtrA(page, DWLP_USER));
    if (message == WM_SHOWWINDOW) g_events.push_back({index, kShow, static_cast<LPARAM>(wparam)});
    if (message != WM_NOTIFY) return FALSE;
    const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lparam);
    g_events.push_back({index, notify->hdr.code, notify->lParam});
    auto answer = g_answers.find({index, notify->hdr.code});
    SetWindowLongPtrA(page, DWLP_MSGRESULT, answer == g_answers.end() ? 0 : answer->second);
    if (g_on_notify) g_on_notify(index, notify->hdr.code);
    return TRUE;
}

using kmxtest::Click;
using kmxtest::ClickTab;
using kmxtest::SheetScript;
using kmxtest::TabText;

// Runs the sheet of HEADER with STEPS, from a clean record of what the pages saw.
INT_PTR RunScript(PROPSHEETHEADERA header, std::deque<SheetScript::Step> steps) {
    g_events.clear();
    g_answers.clear();
    g_on_notify = nullptr;
    return SheetScript::Run([&header] { return PropertySheetA(&header); }, std::move(steps));
}

struct ThreePages {
    PROPSHEETPAGEA pages[3]{};
    PROPSHEETHEADERA header{};

    explicit ThreePages(DWORD flags = 0) {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
        EXPECT_TRUE(InitCommonControlsEx(&init));
        const int templates[] = {IDD_PAGE_ALPHA, IDD_PAGE_BETA, IDD_PAGE_GAMMA};
        for (int index = 0; index < 3; ++index) {
            pages[index].dwSize = sizeof pages[index];
            pages[index].hInstance = GetModuleHandleA(nullptr);
            pages[index].pszTemplate = MAKEINTRESOURCEA(templates[index]);
            pages[index].pfnDlgProc = PageProcedure;
            pages[index].lParam = index;
        }
        pages[1].dwFlags = PSP_USETITLE;
        pages[1].pszTitle = "Custom";
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | flags;
        header.hInstance = GetModuleHandleA(nullptr);
        header.pszCaption = "Sample";
        header.nPages = 3;
        header.ppsp = pages;
    }
};

std::vector<Event> TakeEvents() {
    return std::exchange(g_events, {});
}

TEST(PropertySheetTest, PagesAreMadeWhenFirstSelectedAndOkAppliesTheMadeOnes) {
    ThreePages sheet_pages(PSH_PROPTITLE);
    sheet_pages.header.pszCaption = MAKEINTRESOURCEA(IDS_SHEET_TITLE);
    INT_PTR result = RunScript(
        sheet_pages.header,
        {[](HWND sheet) {
             EXPECT_EQ(TakeEvents(), (std::vector<Event>{
                                         {0, kInit, 0}, {0, PSN_SETACTIVE, 0}, {0, kShow, TRUE}}));
             char caption[64];
             GetWindowTextA(sheet, caption, sizeof caption);
             EXPECT_STREQ(caption, "Properties for Resource Title");
             HWND tabs = PropSheet_GetTabControl(sheet);
             EXPECT_EQ(TabText(tabs, 0), "Alpha");  // the template's caption
             EXPECT_EQ(TabText(tabs, 1), "Custom");
             EXPECT_EQ(TabText(tabs, 2), "Gamma");

             HWND page = PropSheet_GetCurrentPageHwnd(sheet);
             EXPECT_EQ(page, PropSheet_IndexToHwnd(sheet, 0));
             EXPECT_EQ(PropSheet_IndexToHwnd(sheet, 1), nullptr);
             EXPECT_EQ(GetParent(page), sheet);
             DWORD style = static_cast<DWORD>(GetWindowLongA(page, GWL_STYLE));
             EXPECT_TRUE(style & WS_CHILD);
             EXPECT_FALSE(style & (WS_CAPTION | WS_DISABLED));
             EXPECT_TRUE(IsWindowVisible(page));
             // The page lies inside the tab control's display area.
             RECT page_rect, tab_rect;
             GetWindowRect(page, &page_rect);
             GetWindowRect(tabs, &tab_rect);
             RECT area = tab_rect;
             TabCtrl_AdjustRect(tabs, FALSE, &area);
             EXPECT_EQ(page_rect.left, area.left);
             EXPECT_EQ(page_rect.top, area.top);
             EXPECT_GE(page_rect.bottom, area.top + 100);
         },
         [](HWND sheet) { ClickTab(sheet, 2); },
         [](HWND sheet) {
             EXPECT_EQ(TakeEvents(), (std::vector<Event>{{0, PSN_KILLACTIVE, 0},
                                                         {2, kInit, 0},
                                                         {2, PSN_SETACTIVE, 0},
                                                         {2, kShow, TRUE},
                                                         {0, kShow, FALSE}}));
             EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet), PropSheet_IndexToHwnd(sheet, 2));
         },
         [](HWND sheet) {
             // Ctrl+Tab moves on, past the last page to the first.
             SetFocus(GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), IDC_PAGE_CHECK));
             KmxWinInjectKey(VK_CONTROL, FALSE);
             InjectTap(VK_TAB);
             KmxWinInjectKey(VK_CONTROL, TRUE);
         },
         [](HWND sheet) {
             EXPECT_EQ(TakeEvents(), (std::vector<Event>{{2, PSN_KILLACTIVE, 0},
                                                         {0, PSN_SETACTIVE, 0},
                                                         {0, kShow, TRUE},
                                                         {2, kShow, FALSE}}));
             EXPECT_TRUE(IsChild(PropSheet_GetCurrentPageHwnd(sheet), GetFocus()));
             EXPECT_EQ(TabCtrl_GetCurSel(PropSheet_GetTabControl(sheet)), 0);
         },
         [](HWND) { InjectTap(VK_RETURN); }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(
        TakeEvents(),
        (std::vector<Event>{{0, PSN_KILLACTIVE, 0}, {0, PSN_APPLY, TRUE}, {2, PSN_APPLY, TRUE}}));
}

TEST(PropertySheetTest, CancelTheCloseBoxAndAPressedCancelResetEveryMadePage) {
    ThreePages cancelled(PSH_NOAPPLYNOW);
    EXPECT_EQ(RunScript(cancelled.header, {[](HWND sheet) {
                            EXPECT_EQ(GetDlgItem(sheet, 0x3021), nullptr);  // no Apply
                            RECT ok, cancel;
                            GetWindowRect(GetDlgItem(sheet, IDOK), &ok);
                            GetWindowRect(GetDlgItem(sheet, IDCANCEL), &cancel);
                            EXPECT_LT(ok.right, cancel.left);
                            TakeEvents();
                            Click(GetDlgItem(sheet, IDCANCEL));
                        }}),
              0);
    EXPECT_EQ(TakeEvents(), (std::vector<Event>{{0, PSN_QUERYCANCEL, 0}, {0, PSN_RESET, FALSE}}));

    ThreePages closed;
    EXPECT_EQ(RunScript(closed.header,
                        {[](HWND sheet) { EXPECT_TRUE(PropSheet_SetCurSel(sheet, nullptr, 1)); },
                         [](HWND sheet) {
                             TakeEvents();
                             SendMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
                         }}),
              0);
    EXPECT_EQ(
        TakeEvents(),
        (std::vector<Event>{{1, PSN_QUERYCANCEL, 0}, {0, PSN_RESET, TRUE}, {1, PSN_RESET, TRUE}}));

    // A page that ends the sheet itself presses the sheet's Cancel button.
    ThreePages pressed;
    EXPECT_EQ(RunScript(pressed.header, {[](HWND sheet) {
                            TakeEvents();
                            g_on_notify = [sheet](int, UINT code) {
                                if (code == PSN_KILLACTIVE)
                                    PropSheet_PressButton(sheet, PSBTN_CANCEL);
                            };
                            ClickTab(sheet, 1);
                        }}),
              0);
    std::vector<Event> events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), (Event{1, PSN_RESET, FALSE}));
}

TEST(PropertySheetTest, PagesCanRefuseToBeLeftAndApplyKeepsTheSheetOpen) {
    ThreePages sheet_pages;
    INT_PTR result = RunScript(
        sheet_pages.header,
        {[](HWND sheet) {
             g_answers[{0, PSN_KILLACTIVE}] = TRUE;
             TakeEvents();
             ClickTab(sheet, 1);
             InjectTap(VK_RETURN);
         },
         [](HWND sheet) {
             EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet), PropSheet_IndexToHwnd(sheet, 0));
             EXPECT_EQ(TabCtrl_GetCurSel(PropSheet_GetTabControl(sheet)), 0);
             EXPECT_EQ(TakeEvents(),
                       (std::vector<Event>{{0, PSN_KILLACTIVE, 0}, {0, PSN_KILLACTIVE, 0}}));
         },
         [](HWND sheet) {
             g_answers.clear();
             HWND apply = GetDlgItem(sheet, 0x3021);
             EXPECT_FALSE(IsWindowEnabled(apply));
             PropSheet_Changed(sheet, PropSheet_GetCurrentPageHwnd(sheet));
             EXPECT_TRUE(IsWindowEnabled(apply));
             Click(apply);
         },
         [](HWND sheet) {
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, 0x3021)));
             EXPECT_EQ(TakeEvents(),
                       (std::vector<Event>{
                           {0, PSN_KILLACTIVE, 0}, {0, PSN_APPLY, FALSE}, {0, PSN_SETACTIVE, 0}}));
         },
         [](HWND sheet) {
             g_answers[{0, PSN_APPLY}] = PSNRET_INVALID_NOCHANGEPAGE;
             Click(GetDlgItem(sheet, IDOK));
         },
         [](HWND sheet) {
             EXPECT_TRUE(IsWindowVisible(sheet));
             g_answers.clear();
             TakeEvents();
             Click(GetDlgItem(sheet, IDCANCEL));
         }});
    EXPECT_EQ(result, 1);  // Apply saved before the Cancel
}

UINT CALLBACK CountingCallback(HWND, UINT message, PROPSHEETPAGEA* page) {
    g_events.push_back({-1, message, page->lParam});
    return 1;
}

TEST(PropertySheetTest, RecordsAndHandlesAreCheckedAndPagesLiveAsLongAsTheSheet) {
    SetLastError(0);
    EXPECT_EQ(PropertySheetA(nullptr), -1);
    ThreePages bad_header;
    bad_header.header.dwSize = 8;
    EXPECT_EQ(PropertySheetA(&bad_header.header), -1);
    ThreePages missing;
    missing.pages[2].pszTemplate = MAKEINTRESOURCEA(999);
    EXPECT_EQ(PropertySheetA(&missing.header), -1);
    EXPECT_FALSE(DestroyPropertySheetPage(reinterpret_cast<HPROPSHEETPAGE>(0x1234)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // A page from memory, with the program's own data after the record.
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_PAGE_GAMMA), RT_DIALOG);
    ASSERT_TRUE(resource);
    struct {
        PROPSHEETPAGEA record;
        int extra;
    } own{};
    UINT references = 0;
    own.record.dwSize = sizeof own;
    own.record.dwFlags = PSP_DLGINDIRECT | PSP_USECALLBACK | PSP_USEREFPARENT;
    own.record.pResource =
        static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(nullptr, resource)));
    own.record.pfnDlgProc = PageProcedure;
    own.record.pfnCallback = CountingCallback;
    own.record.pcRefParent = &references;
    own.record.lParam = 1;
    own.extra = 4242;
    g_events.clear();
    ThreePages alpha;
    HPROPSHEETPAGE handles[2] = {CreatePropertySheetPageA(&alpha.pages[0]),
                                 CreatePropertySheetPageA(&own.record)};
    ASSERT_TRUE(handles[0] && handles[1]);
    EXPECT_EQ(references, 1u);
    EXPECT_EQ(g_events, (std::vector<Event>{{-1, PSPCB_ADDREF, 1}}));

    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.pszCaption = "Handles";
    header.nPages = 2;
    header.nStartPage = 1;
    header.phpage = handles;
    INT_PTR result = RunScript(header, {[&](HWND sheet) {
                                   HWND page = PropSheet_GetCurrentPageHwnd(sheet);
                                   EXPECT_EQ(PropSheet_HwndToIndex(sheet, page), 1);
                                   // The dialog procedure's record is the page's
                                   // copy, appended data included.
                                   EXPECT_EQ(g_appended, 4242);
                                   EXPECT_EQ(TakeEvents().front(), (Event{-1, PSPCB_CREATE, 1}));
                                   PropSheet_PressButton(sheet, PSBTN_OK);
                               }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(references, 0u);  // the sheet destroyed its pages
    std::vector<Event> events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), (Event{-1, PSPCB_RELEASE, 1}));
    EXPECT_FALSE(DestroyPropertySheetPage(handles[1]));
}

}  // namespace
