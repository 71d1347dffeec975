#include "windowing/dialog_template.h"

#include "windowing/window_class.h"

#include <string.h>

#include <limits>

namespace kmxwin::win {
namespace {

// A cursor over the template that refuses to read past its end.
class Reader {
  public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t offset() const { return offset_; }
    const BYTE* here() const { return data_ + offset_; }

    template <class T>
    T Read() {
        T value{};
        if (!Need(sizeof(T))) return value;
        memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    void AlignTo(size_t alignment) {
        size_t aligned = (offset_ + alignment - 1) & ~(alignment - 1);
        if (aligned > offset_ && Need(aligned - offset_)) offset_ = aligned;
    }

    void Skip(size_t count) {
        if (Need(count)) offset_ += count;
    }

    std::u16string String() {
        std::u16string text;
        for (WORD c; ok_ && (c = Read<WORD>()) != 0;) text.push_back(static_cast<char16_t>(c));
        return text;
    }

    // A name field: 0x0000 none, 0xFFFF and a number, or a string.
    TemplateName Name() {
        TemplateName name;
        WORD first = Read<WORD>();
        if (!ok_ || first == 0) return name;
        name.present = true;
        if (first == 0xFFFF) {
            name.number = Read<WORD>();
            return name;
        }
        name.text.push_back(static_cast<char16_t>(first));
        name.text += String();
        return name;
    }

  private:
    bool Need(size_t count) {
        if (!ok_ || count > size_ - offset_) ok_ = false;
        return ok_;
    }

    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

void ReadItem(Reader& reader, bool extended, DialogItemTemplate& item) {
    reader.AlignTo(sizeof(DWORD));
    if (extended) {
        item.help_id = reader.Read<DWORD>();
        item.ex_style = reader.Read<DWORD>();
        item.style = reader.Read<DWORD>();
    } else {
        item.style = reader.Read<DWORD>();
        item.ex_style = reader.Read<DWORD>();
    }
    item.x = reader.Read<short>();
    item.y = reader.Read<short>();
    item.cx = reader.Read<short>();
    item.cy = reader.Read<short>();
    item.id = extended ? reader.Read<DWORD>() : reader.Read<WORD>();
    item.window_class = reader.Name();
    item.title = reader.Name();
    const BYTE* creation = reader.here();
    WORD extra = reader.Read<WORD>();
    if (extra) {
        item.creation_data = creation;
        // The count of a DLGTEMPLATE item includes its own WORD.
        reader.Skip(extended ? extra : extra - sizeof(WORD));
    }
}

}  // namespace

const char* PredefinedClassName(WORD number) {
    switch (number) {
        case 0x0080:
            return kButtonClass;
        case 0x0081:
            return kEditClass;
        case 0x0082:
            return kStaticClass;
        case 0x0085:
            return kComboBoxClass;
        default:
            return nullptr;
    }
}

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::optional<size_t> size) {
    if (!data) return std::nullopt;
    Reader reader(static_cast<const BYTE*>(data),
                  size.value_or(std::numeric_limits<size_t>::max() / 2));
    DialogTemplate dialog;
    WORD version = reader.Read<WORD>();
    WORD signature = reader.Read<WORD>();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        dialog.help_id = reader.Read<DWORD>();
        dialog.ex_style = reader.Read<DWORD>();
        dialog.style = reader.Read<DWORD>();
    } else {
        reader = Reader(static_cast<const BYTE*>(data),
                        size.value_or(std::numeric_limits<size_t>::max() / 2));
        dialog.style = reader.Read<DWORD>();
        dialog.ex_style = reader.Read<DWORD>();
    }
    WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    dialog.menu = reader.Name();
    dialog.window_class = reader.Name();
    dialog.title = reader.Name();
    if (dialog.style & DS_SETFONT) {
        dialog.has_font = true;
        dialog.point_size = reader.Read<WORD>();
        if (dialog.extended) {
            dialog.weight = reader.Read<WORD>();
            dialog.italic = reader.Read<BYTE>();
            dialog.charset = reader.Read<BYTE>();
        }
        dialog.face = reader.String();
    }
    dialog.items.resize(count);
    for (DialogItemTemplate& item : dialog.items) ReadItem(reader, dialog.extended, item);
    if (!reader.ok()) return std::nullopt;
    return dialog;
}

}  // namespace kmxwin::win
