#include "ui/video_format_dialog.h"

#include <vfw.h>

#include "capture/format_negotiation.h"
#include "capture/video_sizes.h"
#include "ui/camera_text.h"
#include "ui/settings_dialog_resources.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace kmx {
namespace ui {
namespace {

constexpr LocalisedText kTexts[] = {
    {IDC_VF_SIZE_GROUP, "ImageSize"},
    {IDC_VF_FORMAT_GROUP, "ImageFormat"},
    {IDC_VF_CAMERA_GROUP, "CameraSelect"},
    {IDC_VF_SCALE_UP, "ScaleUp"},
    {IDC_VF_SCALE_DOWN, "ScaleDown"},
    {IDC_VF_FULL_FIELD, "VFFOV"},
    {IDCANCEL, "Cancel"},
};

// The format list's single item before it is first dropped down carries
// its index with this mark.
constexpr LRESULT kUnfilledMark = 0x10000000;
// The camera list holds at most this many cameras.
constexpr DWORD kCameraCapacity = 64;

std::string Decimal(DWORD value) {
    return std::to_string(value);
}

// The digits of TEXT as a number; none when another character is in it, or
// when it is too large for 32 bits (which a wrapped value would hide).
std::optional<DWORD> ParseDigits(const std::string& text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return DWORD(value);
}

// VALUE brought onto the grid of STEP from MINIMUM and into the range, in
// unsigned 32-bit arithmetic as the dialog has always done it. A camera
// that reports a step of 0 offers its minimum only.
DWORD OntoGrid(DWORD value, DWORD minimum, DWORD maximum, DWORD step) {
    value = step ? value - (value - minimum) % step : minimum;
    if (value > maximum) value = maximum;
    if (value < minimum) value = minimum;
    return value;
}

bool InRangeOnGrid(DWORD value, DWORD minimum, DWORD maximum, DWORD step) {
    return value >= minimum && value <= maximum && OnStep(value - minimum, step);
}

LRESULT SelectedData(HWND list) {
    LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? CB_ERR : SendMessageA(list, CB_GETITEMDATA, WPARAM(selected), 0);
}

void AddItem(HWND list, const std::string& text, LPARAM data, bool select) {
    LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) return;
    SendMessageA(list, CB_SETITEMDATA, WPARAM(index), data);
    if (select) SendMessageA(list, CB_SETCURSEL, WPARAM(index), 0);
}

// Whether the system has a codec for a compressed descriptor's frames.
bool CodecFound(const FormatRecord& format) {
    BITMAPINFOHEADER header = BitmapHeaderOf(format);
    HIC codec = ICLocate(ICTYPE_VIDEO, 0, &header, nullptr, ICMODE_COMPRESS);
    if (!codec) codec = ICLocate(ICTYPE_VIDEO, 0, &header, nullptr, ICMODE_DECOMPRESS);
    if (!codec) return false;
    ICClose(codec);
    return true;
}

}  // namespace

std::string FormatName(const FormatRecord& format) {
    int bits = format.bits_per_pixel;
    // The bit count in two places: the tens digit or a space, the units.
    char count[3] = {bits / 10 % 10 ? char('0' + bits / 10 % 10) : ' ', char('0' + bits % 10), 0};
    if (format.compression == 0) return std::string("RGB  - ") + count;
    char fourcc[5] = {};
    std::memcpy(fourcc, &format.compression, 4);
    if (std::strncmp(fourcc, "KMX", 3) == 0) return std::string(fourcc) + " - " + count;
    return fourcc;
}

VideoFormatDialog::VideoFormatDialog() : Dialog(IDD_VIDEO_FORMAT) {}

void VideoFormatDialog::ApplyTexts() {
    SetItemTexts(kTexts);
    SetCaption("VideoFormat");
}

void VideoFormatDialog::OnShow() {
    HWND formats = Item(IDC_VF_FORMAT_LIST);
    AddItem(formats, FormatName(Descriptor().format), format_index | kUnfilledMark, true);
    FillSizeList();
    width_text_ = Decimal(width);
    height_text_ = Decimal(height);

    HWND cameras = Item(IDC_VF_CAMERA_LIST);
    std::array<DWORD, kCameraCapacity> ids{};
    DWORD count = 0;
    if (KMXPI_CameraEnum(identity1, identity2, ids.data(), kCameraCapacity, &count) ==
        KMXPI_STATUS_SUCCESS) {
        for (DWORD i = 0; i < count && i < kCameraCapacity; ++i)
            AddItem(cameras, "USB" + Decimal(ids[i]), LPARAM(ids[i]), ids[i] == camera_id);
    }
    if (camera_fixed) EnableItem(IDC_VF_CAMERA_LIST, false);
    SendMessageA(Item(IDC_VF_CAMERA_TEXT), EM_LIMITTEXT, kCameraTextBytes, 0);

    KMXPI_HandleOpen(camera_id, &handle_);
    camera_text_ = ReadCameraText(handle_).value_or("");
    BYTE selection = 0;
    if (KMXPI_PropertyGet(handle_, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_SIZE_SELECTION,
                          sizeof selection, &selection) == KMXPI_STATUS_SUCCESS) {
        for (int id : {IDC_VF_FULL_FIELD, IDC_VF_SCALE_UP, IDC_VF_SCALE_DOWN}) ShowItem(id, true);
        full_field_ = selection != 0;
        direction_ = selection == 1 ? 0 : 1;
    }
    UpdateScaleControls();
    Load();
}

bool VideoFormatDialog::OnCommand(int id, int code) {
    // The focus leaves the boxes also as the dialog goes; the camera is
    // closed by then, and nothing may open it again.
    if (ended_) return true;
    switch (id) {
        case IDC_VF_FORMAT_LIST:
            if (code == CBN_DROPDOWN) FillFormatListOnce();
            if (code == CBN_SELCHANGE) FormatChosen();
            return true;
        case IDC_VF_SIZE_LIST:
            if (code == CBN_SELCHANGE) SizeChosen();
            return true;
        case IDC_VF_WIDTH:
        case IDC_VF_HEIGHT:
            if (code == EN_KILLFOCUS) SizeTyped(id == IDC_VF_WIDTH);
            return true;
        case IDC_VF_FULL_FIELD:
            if (code == BN_CLICKED) {
                Save();
                UpdateScaleControls();
                Load();
            }
            return true;
        case IDC_VF_CAMERA_LIST:
            if (code == CBN_SELCHANGE) CameraChosen();
            return true;
        case IDC_VF_CAMERA_TEXT:
            if (code == EN_KILLFOCUS) CameraTextEdited();
            return true;
    }
    return Dialog::OnCommand(id, code);
}

void VideoFormatDialog::OnOK() {
    Save();
    BYTE selection = !full_field_ ? 0 : direction_ == 0 ? 1 : 2;
    // The choice is the camera's to keep; a camera that refuses it still
    // gets the format the user chose.
    KMXPI_PropertySet(handle_, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_SIZE_SELECTION, sizeof selection,
                      &selection);
    ended_ = true;
    CloseCamera();
    End(IDOK);
}

void VideoFormatDialog::OnCancel() {
    ended_ = true;
    CloseCamera();
    End(IDCANCEL);
}

void VideoFormatDialog::Load() const {
    SetDlgItemTextA(Handle(), IDC_VF_WIDTH, width_text_.c_str());
    SetDlgItemTextA(Handle(), IDC_VF_HEIGHT, height_text_.c_str());
    SetDlgItemTextA(Handle(), IDC_VF_CAMERA_TEXT, camera_text_.c_str());
    Check(IDC_VF_FULL_FIELD, full_field_);
    Check(IDC_VF_SCALE_UP, direction_ == 0);
    Check(IDC_VF_SCALE_DOWN, direction_ == 1);
}

void VideoFormatDialog::Save() {
    width_text_ = WindowText(Item(IDC_VF_WIDTH));
    height_text_ = WindowText(Item(IDC_VF_HEIGHT));
    camera_text_ = WindowText(Item(IDC_VF_CAMERA_TEXT)).substr(0, kCameraTextBytes);
    full_field_ = IsChecked(IDC_VF_FULL_FIELD);
    direction_ = IsChecked(IDC_VF_SCALE_UP) ? 0 : IsChecked(IDC_VF_SCALE_DOWN) ? 1 : -1;
}

void VideoFormatDialog::FillFormatListOnce() {
    HWND formats = Item(IDC_VF_FORMAT_LIST);
    if (SendMessageA(formats, CB_GETCOUNT, 0, 0) <= 0 ||
        !(SendMessageA(formats, CB_GETITEMDATA, 0, 0) & kUnfilledMark))
        return;
    SendMessageA(formats, CB_RESETCONTENT, 0, 0);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    for (DWORD i = 0; i < descriptor_count; ++i) {
        const FormatRecord& format = descriptors[i].format;
        if (format.compression != 0 && !CodecFound(format)) continue;
        AddItem(formats, FormatName(format), LPARAM(i), int(i) == format_index);
    }
    SetCursor(previous);
}

void VideoFormatDialog::FillSizeList() const {
    HWND sizes = Item(IDC_VF_SIZE_LIST);
    SendMessageA(sizes, CB_RESETCONTENT, 0, 0);
    SizeChoices choices = ListSizeChoices(Descriptor(), WORD(width), WORD(height));
    for (size_t i = 0; i < choices.entries.size(); ++i)
        AddItem(sizes, choices.entries[i].text, LPARAM(choices.entries[i].value),
                int(i) == choices.selected);
}

void VideoFormatDialog::FormatChosen() {
    Save();
    HWND formats = Item(IDC_VF_FORMAT_LIST);
    if (SendMessageA(formats, CB_GETCURSEL, 0, 0) == CB_ERR)
        SendMessageA(formats, CB_SETCURSEL, 0, 0);
    LRESULT data = SelectedData(formats);
    // Only the low 8 bits name the descriptor.
    if (data == CB_ERR || DWORD(data & 0xFF) >= descriptor_count) return;
    format_index = int(data & 0xFF);
    const FormatDescriptor& mode = Descriptor();
    width = OntoGrid(width, mode.min_width, mode.max_width, mode.width_step);
    height = OntoGrid(height, mode.min_height, mode.max_height, mode.height_step);
    width_text_ = Decimal(width);
    height_text_ = Decimal(height);
    FillSizeList();
    UpdateScaleControls();
    Load();
}

void VideoFormatDialog::SizeChosen() {
    Save();
    LRESULT data = SelectedData(Item(IDC_VF_SIZE_LIST));
    if (data != CB_ERR) {
        width = LOWORD(data);
        height = HIWORD(data);
        width_text_ = Decimal(width);
        height_text_ = Decimal(height);
    }
    UpdateScaleControls();
    Load();
}

void VideoFormatDialog::SizeTyped(bool is_width) {
    Save();
    const FormatDescriptor& mode = Descriptor();
    DWORD& value = is_width ? width : height;
    std::string& text = is_width ? width_text_ : height_text_;
    std::optional<DWORD> typed = ParseDigits(text);
    bool accepted =
        typed &&
        (is_width ? InRangeOnGrid(*typed, mode.min_width, mode.max_width, mode.width_step)
                  : InRangeOnGrid(*typed, mode.min_height, mode.max_height, mode.height_step));
    if (accepted) {
        // The text stays as typed, leading zeros and all.
        value = *typed;
        FillSizeList();
    } else {
        text = Decimal(value);
    }
    UpdateScaleControls();
    Load();
}

void VideoFormatDialog::UpdateScaleControls() {
    bool larger = false, smaller = false;
    for (DWORD id = KMXPI_CAMERA_FIRST_NATIVE_SIZE; id <= KMXPI_CAMERA_LAST_NATIVE_SIZE; ++id) {
        DWORD native[2] = {};
        if (KMXPI_PropertyGet(handle_, &KMXPI_PROPSET_CAMERA, id, sizeof native, native) !=
            KMXPI_STATUS_SUCCESS)
            break;
        if (native[0] == width && native[1] == height) {
            larger = smaller = false;
            break;
        }
        bool is_larger = native[0] != width ? native[0] > width : native[1] > height;
        (is_larger ? larger : smaller) = true;
    }
    if (!larger && !smaller) {
        EnableItem(IDC_VF_FULL_FIELD, false);
    } else {
        if (larger != smaller) {
            direction_ = larger ? 1 : 0;
            Load();
        }
        EnableItem(IDC_VF_FULL_FIELD, true);
    }
    EnableItem(IDC_VF_SCALE_UP, full_field_ && smaller);
    EnableItem(IDC_VF_SCALE_DOWN, full_field_ && larger);
    const FormatRecord& format = Descriptor().format;
    if (format.compression != 0 || format.bits_per_pixel != 24)
        for (int id : {IDC_VF_SCALE_UP, IDC_VF_SCALE_DOWN, IDC_VF_FULL_FIELD})
            EnableItem(id, false);
}

void VideoFormatDialog::CameraChosen() {
    Save();
    LRESULT data = SelectedData(Item(IDC_VF_CAMERA_LIST));
    if (data != CB_ERR) camera_id = DWORD(data);
    CloseCamera();
    KMXPI_HandleOpen(camera_id, &handle_);
    camera_text_ = ReadCameraText(handle_).value_or("");
    Load();
}

void VideoFormatDialog::CameraTextEdited() {
    Save();
    if (WriteCameraText(handle_, camera_text_) != KMXPI_STATUS_SUCCESS) {
        MessageBeep(0xFFFFFFFF);
        // The camera's stored text comes back into the box.
        CameraChosen();
    }
    Load();
}

void VideoFormatDialog::CloseCamera() {
    if (handle_) KMXPI_HandleClose(&handle_);
    handle_ = nullptr;
}

}  // namespace ui

int ShowVideoFormatDialog(HWND parent, CameraConnection& connection, FormatRecord& format,
                          DWORD& connection_id, BOOL preselected, DWORD identity1,
                          DWORD identity2) {
    const FormatRecord old_format = format;
    const DWORD old_connection = connection_id;
    int result = 0;
    std::vector<FormatDescriptor> descriptors;
    DWORD count = 0;
    bool listed = EnumerateFormats(connection, &count, nullptr) == kCommandSuccess && count > 0;
    if (listed) {
        try {
            descriptors.resize(count);
        } catch (const std::bad_alloc&) {
            listed = false;
        }
    }
    if (listed)
        listed = EnumerateFormats(connection, &count, descriptors.data()) == kCommandSuccess;
    if (listed) {
        ui::VideoFormatDialog dialog;
        dialog.descriptors = descriptors.data();
        dialog.descriptor_count = DWORD(descriptors.size());
        dialog.width = format.width;
        dialog.height = format.height;
        dialog.camera_id = connection_id;
        dialog.camera_fixed = preselected;
        dialog.identity1 = identity1;
        dialog.identity2 = identity2;
        DWORD index = 0;
        dialog.format_index =
            FindDescriptor(dialog.descriptor_count, descriptors.data(), format, &index) ? int(index)
                                                                                        : 0;
        if (dialog.RunModal(parent) == IDOK) {
            format = descriptors[size_t(dialog.format_index)].format;
            format.width = WORD(dialog.width);
            format.height = WORD(dialog.height);
            format.image_size = ImageSizeOf(format);
            connection_id = dialog.camera_id;
            result = 1;
        } else {
            format = old_format;
        }
    }
    KMXPI_HANDLE handle = nullptr;
    if (KMXPI_HandleOpen(connection_id, &handle) != KMXPI_STATUS_SUCCESS) {
        format = old_format;
        connection_id = old_connection;
        return 0;
    }
    KMXPI_HandleClose(&handle);
    return result;
}

}  // namespace kmx
