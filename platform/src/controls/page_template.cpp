// The property sheet's templates: read with the dialog manager's parser and
// written back in the extended layout (DLGTEMPLATEEX), the one layout that
// carries every field of both forms.
#include "controls/page_template.h"

#include "text/ansi_code_page.h"
#include "windowing/dialog_template.h"

#include <string.h>

#include <initializer_list>

namespace kmxwin::controls {
namespace {

using win::DialogItemTemplate;
using win::DialogTemplate;
using win::TemplateName;

class TemplateWriter {
  public:
    std::vector<BYTE> Write(const DialogTemplate& dialog) {
        Put<WORD>(1);  // the extended layout's version and signature
        Put<WORD>(0xFFFF);
        Put<DWORD>(dialog.help_id);
        Put<DWORD>(dialog.ex_style);
        Put<DWORD>(dialog.style);
        Put<WORD>(static_cast<WORD>(dialog.items.size()));
        Box(dialog.x, dialog.y, dialog.cx, dialog.cy);
        Name(dialog.menu);
        Name(dialog.window_class);
        Text(dialog.title.text);
        if (dialog.style & DS_SETFONT) {
            Put<WORD>(dialog.point_size);
            Put<WORD>(dialog.weight);
            Put<BYTE>(dialog.italic);
            Put<BYTE>(dialog.charset);
            Text(dialog.face);
        }
        for (const DialogItemTemplate& item : dialog.items) Item(item, dialog.extended);
        return std::move(bytes_);
    }

  private:
    template <class T>
    void Put(T value) {
        const auto* raw = reinterpret_cast<const BYTE*>(&value);
        bytes_.insert(bytes_.end(), raw, raw + sizeof value);
    }

    void Box(short x, short y, short cx, short cy) {
        for (short value : {x, y, cx, cy}) Put<short>(value);
    }

    void Text(const std::u16string& text) {
        for (char16_t unit : text) Put<WORD>(unit);
        Put<WORD>(0);
    }

    void Name(const TemplateName& name) {
        if (!name.present) {
            Put<WORD>(0);
        } else if (name.IsNumber()) {
            Put<WORD>(0xFFFF);
            Put<WORD>(name.number);
        } else {
            Text(name.text);
        }
    }

    void Item(const DialogItemTemplate& item, bool source_extended) {
        bytes_.resize((bytes_.size() + 3) & ~size_t{3});
        Put<DWORD>(item.help_id);
        Put<DWORD>(item.ex_style);
        Put<DWORD>(item.style);
        Box(item.x, item.y, item.cx, item.cy);
        Put<DWORD>(item.id);
        Name(item.window_class);
        Name(item.title);
        // The creation data's count leads it; in the classic layout the
        // count includes its own word, in the extended one it does not.
        WORD count = 0;
        if (item.creation_data) memcpy(&count, item.creation_data, sizeof count);
        if (!source_extended) count = count >= sizeof(WORD) ? count - sizeof(WORD) : 0;
        Put<WORD>(count);
        if (count) {
            const BYTE* data = item.creation_data + sizeof(WORD);
            bytes_.insert(bytes_.end(), data, data + count);
        }
    }

    std::vector<BYTE> bytes_;
};

}  // namespace

std::optional<PageTemplateInfo> ReadPageTemplate(const void* data, std::optional<size_t> size) {
    std::optional<DialogTemplate> dialog = win::ParseDialogTemplate(data, size);
    if (!dialog) return std::nullopt;
    return PageTemplateInfo{{dialog->cx, dialog->cy}, text::Utf16ToAnsi(dialog->title.text)};
}

std::optional<std::vector<BYTE>> PageTemplateCopy(const void* data, std::optional<size_t> size) {
    std::optional<DialogTemplate> dialog = win::ParseDialogTemplate(data, size);
    if (!dialog) return std::nullopt;
    // A page is a control of the sheet's dialog: its tab order joins the
    // sheet's, and the sheet frames, places and shows it.
    constexpr DWORD kFrameStyles = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                   WS_DISABLED | WS_VISIBLE | DS_MODALFRAME | DS_CENTER |
                                   DS_CENTERMOUSE | DS_SYSMODAL | DS_ABSALIGN;
    constexpr DWORD kFrameExStyles =
        WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_APPWINDOW | WS_EX_TOPMOST;
    dialog->style = (dialog->style & ~kFrameStyles) | WS_CHILD | DS_CONTROL;
    dialog->ex_style = (dialog->ex_style & ~kFrameExStyles) | WS_EX_CONTROLPARENT;
    dialog->x = dialog->y = 0;
    dialog->menu = {};
    return TemplateWriter().Write(*dialog);
}

std::vector<BYTE> SheetFrameTemplate(const std::string& caption) {
    DialogTemplate frame;
    frame.extended = true;
    frame.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME | DS_3DLOOK |
                  DS_SETFONT;
    frame.ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    frame.title.present = true;
    frame.title.text = text::AnsiToUtf16(caption);
    frame.has_font = true;
    frame.point_size = 8;
    frame.weight = FW_NORMAL;
    frame.charset = DEFAULT_CHARSET;
    frame.face = u"MS Sans Serif";
    return TemplateWriter().Write(frame);
}

}  // namespace kmxwin::controls
