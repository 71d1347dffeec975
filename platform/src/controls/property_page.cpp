// CreatePropertySheetPageA and DestroyPropertySheetPage, and the making of a
// page's window.
#include "controls/property_page.h"

#include "controls/page_template.h"
#include "controls/string_resource.h"

#include <string.h>

#include <algorithm>
#include <mutex>
#include <new>

using kmxwin::controls::TextOrStringResource;

namespace {

// A record larger than this is taken for a damaged one; programs append
// their own data to the record, but never this much.
constexpr DWORD kMaxRecordSize = 64 * 1024;

// Every live page, so that a handle the program gives back is checked
// before anything reads through it.
struct PageList {
    std::mutex lock;
    std::vector<HPROPSHEETPAGE> pages;
};

PageList& Pages() {
    static PageList* list = new PageList;
    return *list;
}

}  // namespace

HPROPSHEETPAGE _PSP::Create(const PROPSHEETPAGEA* record) {
    if (!record || record->dwSize < PROPSHEETPAGEA_V1_SIZE || record->dwSize > kMaxRecordSize ||
        !record->pszTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<_PSP> page(new (std::nothrow) _PSP);
    if (!page) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    page->record_.assign(reinterpret_cast<const BYTE*>(record),
                         reinterpret_cast<const BYTE*>(record) + record->dwSize);

    std::optional<size_t> template_bytes;
    if (record->dwFlags & PSP_DLGINDIRECT) {
        page->template_ = record->pResource;
    } else {
        HRSRC resource = FindResourceA(record->hInstance, record->pszTemplate, RT_DIALOG);
        if (resource) {
            page->template_bytes_ = SizeofResource(record->hInstance, resource);
            page->template_ = LockResource(LoadResource(record->hInstance, resource));
            template_bytes = page->template_bytes_;
        }
    }
    std::optional<kmxwin::controls::PageTemplateInfo> info =
        kmxwin::controls::ReadPageTemplate(page->template_, template_bytes);
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    page->template_size_ = info->size;
    page->title_ = (record->dwFlags & PSP_USETITLE)
                       ? TextOrStringResource(record->hInstance, record->pszTitle)
                       : info->caption;

    PROPSHEETPAGEA& copy = page->Record();
    if ((copy.dwFlags & PSP_USEREFPARENT) && copy.pcRefParent) ++*copy.pcRefParent;
    if ((copy.dwFlags & PSP_USECALLBACK) && copy.pfnCallback)
        copy.pfnCallback(nullptr, PSPCB_ADDREF, &copy);

    HPROPSHEETPAGE made = page.release();
    std::lock_guard lock(Pages().lock);
    Pages().pages.push_back(made);
    return made;
}

bool _PSP::IsPage(HPROPSHEETPAGE page) {
    std::lock_guard lock(Pages().lock);
    auto& pages = Pages().pages;
    return page && std::find(pages.begin(), pages.end(), page) != pages.end();
}

void _PSP::Destroy(HPROPSHEETPAGE page) {
    {
        std::lock_guard lock(Pages().lock);
        std::erase(Pages().pages, page);
    }
    delete page;
}

_PSP::~_PSP() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    PROPSHEETPAGEA& record = Record();
    if ((record.dwFlags & PSP_USECALLBACK) && record.pfnCallback)
        record.pfnCallback(nullptr, PSPCB_RELEASE, &record);
    if ((record.dwFlags & PSP_USEREFPARENT) && record.pcRefParent) --*record.pcRefParent;
}

bool _PSP::CreateWindowIn(HWND sheet) {
    PROPSHEETPAGEA& record = Record();
    if ((record.dwFlags & PSP_USECALLBACK) && record.pfnCallback &&
        !record.pfnCallback(nullptr, PSPCB_CREATE, &record))
        return false;
    std::optional<size_t> bytes;
    if (template_bytes_) bytes = template_bytes_;
    std::optional<std::vector<BYTE>> copy = kmxwin::controls::PageTemplateCopy(template_, bytes);
    if (!copy) return false;
    window_ = CreateDialogIndirectParamA(record.hInstance,
                                         reinterpret_cast<LPCDLGTEMPLATEA>(copy->data()), sheet,
                                         record.pfnDlgProc, reinterpret_cast<LPARAM>(&record));
    return window_ != nullptr;
}

extern "C" {

HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA constPropSheetPagePointer) {
    try {
        return _PSP::Create(constPropSheetPagePointer);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    if (!_PSP::IsPage(hPSPage)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    _PSP::Destroy(hPSPage);
    return TRUE;
}

}  // extern "C"
