#include "ui/driver_information_dialog.h"

#include <kmx512u/kmxpi.h>
#include <kmxrecords/settings_keys.h>

#include "support/registry_key.h"
#include "ui/camera_text.h"
#include "ui/language_choice.h"
#include "ui/language_table.h"
#include "ui/settings_dialog_resources.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace kmx {
namespace ui {
namespace {

constexpr LocalisedText kTexts[] = {
    {IDC_DI_LANGUAGE_LABEL, "Language"},
    {IDC_DI_VERSION_LABEL, "Version"},
    {IDC_DI_DRIVER_GROUP, "DriverInformation"},
    {IDC_DI_CAMERA_GROUP, "CameraSelection"},
    {IDC_DI_INFORMATION_GROUP, "CameraInformation"},
    {IDC_DI_FIRMWARE_LABEL, "FirmwareVersion"},
    {IDC_DI_SENSOR_LABEL, "SensorType"},
    {IDCANCEL, "Cancel"},
};

// What a box shows for a value that could not be read.
constexpr char kUnread[] = "---";
// The camera list asks for this many cameras first.
constexpr DWORD kFirstCapacity = 16;

// The driver's version as the dialog shows it: major 2, minor 21.
constexpr int kVersionMajor = 2, kVersionMinor = 21;

std::string Formatted(const char* format, int first, int second) {
    char text[32];
    snprintf(text, sizeof text, format, first, second);
    return text;
}

// A camera handle for one read or write; closed when it goes.
class CameraHandle {
  public:
    explicit CameraHandle(DWORD camera) {
        if (KMXPI_HandleOpen(camera, &handle_) != KMXPI_STATUS_SUCCESS) handle_ = nullptr;
    }
    ~CameraHandle() {
        if (handle_) KMXPI_HandleClose(&handle_);
    }
    CameraHandle(const CameraHandle&) = delete;
    CameraHandle& operator=(const CameraHandle&) = delete;

    KMXPI_HANDLE get() const { return handle_; }

  private:
    KMXPI_HANDLE handle_ = nullptr;
};

}  // namespace

std::string FirmwareText(BYTE low, BYTE high) {
    return Formatted("%01d-%02d", low, high);
}

std::string SensorText(BYTE low, BYTE high) {
    return Formatted("%3d (%d)", low * 16 + high / 16, high % 16);
}

DriverInformationDialog::DriverInformationDialog() : Dialog(IDD_DRIVER_INFORMATION) {}

void DriverInformationDialog::ApplyTexts() {
    SetItemTexts(kTexts);
    SetCaption("DriverInformation");
    HWND languages = Item(IDC_DI_LANGUAGE_LIST);
    while (SendMessageA(languages, CB_GETCOUNT, 0, 0) > 0)
        SendMessageA(languages, CB_DELETESTRING, 0, 0);
    bool choice = GetLanguageCount() >= 2;
    ShowItem(IDC_DI_LANGUAGE_LABEL, choice);
    ShowItem(IDC_DI_LANGUAGE_LIST, choice);
    if (!choice) return;
    for (int index = 0; index < GetLanguageCount(); ++index)
        SendMessageA(languages, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GetLanguageName(index)));
    SendMessageA(languages, CB_SETCURSEL, WPARAM(GetLanguage()), 0);
}

void DriverInformationDialog::OnShow() {
    language_at_show_ = GetLanguage();
    version_text_ = Formatted("%d-%02d", kVersionMajor, kVersionMinor);
    SendMessageA(Item(IDC_DI_CAMERA_TEXT), EM_LIMITTEXT, kCameraTextBytes, 0);
    FillCameraList();
    ShowCameraInformation();
    Load();
}

bool DriverInformationDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_DI_LANGUAGE_LIST:
            if (code == CBN_SELCHANGE) LanguageChosen();
            return true;
        case IDC_DI_CAMERA_LIST:
            if (code == CBN_SELCHANGE) {
                Save();
                ShowCameraInformation();
                Load();
            }
            return true;
        case IDC_DI_CAMERA_TEXT:
            if (code == EN_KILLFOCUS) CameraTextEdited();
            return true;
    }
    return Dialog::OnCommand(id, code);
}

void DriverInformationDialog::OnCancel() {
    // The registry keeps the new name: the next process starts in it.
    SelectLanguage(language_at_show_);
    End(IDCANCEL);
}

void DriverInformationDialog::Load() const {
    SetDlgItemTextA(Handle(), IDC_DI_VERSION, version_text_.c_str());
    SetDlgItemTextA(Handle(), IDC_DI_CAMERA_TEXT, camera_text_.c_str());
    SetDlgItemTextA(Handle(), IDC_DI_FIRMWARE, firmware_text_.c_str());
    SetDlgItemTextA(Handle(), IDC_DI_SENSOR, sensor_text_.c_str());
}

void DriverInformationDialog::Save() {
    version_text_ = WindowText(Item(IDC_DI_VERSION));
    camera_text_ = WindowText(Item(IDC_DI_CAMERA_TEXT)).substr(0, kCameraTextBytes);
    firmware_text_ = WindowText(Item(IDC_DI_FIRMWARE));
    sensor_text_ = WindowText(Item(IDC_DI_SENSOR));
}

void DriverInformationDialog::FillCameraList() const {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    HWND cameras = Item(IDC_DI_CAMERA_LIST);
    while (SendMessageA(cameras, CB_GETCOUNT, 0, 0) > 0)
        SendMessageA(cameras, CB_DELETESTRING, 0, 0);
    std::vector<DWORD> ids(kFirstCapacity);
    DWORD count = 0;
    bool listed = KMXPI_CameraEnum(identity1, identity2, ids.data(), DWORD(ids.size()), &count) ==
                  KMXPI_STATUS_SUCCESS;
    if (listed && count > ids.size()) {
        ids.resize(count);
        listed = KMXPI_CameraEnum(identity1, identity2, ids.data(), DWORD(ids.size()), &count) ==
                 KMXPI_STATUS_SUCCESS;
    }
    if (listed) {
        for (DWORD i = 0; i < count && i < ids.size(); ++i) {
            std::string name = "USB" + std::to_string(ids[i]);
            LRESULT index =
                SendMessageA(cameras, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            if (index >= 0) SendMessageA(cameras, CB_SETITEMDATA, WPARAM(index), LPARAM(ids[i]));
        }
        SendMessageA(cameras, CB_SETCURSEL, 0, 0);
    }
    SetCursor(previous);
}

DWORD DriverInformationDialog::SelectedCamera() const {
    HWND cameras = Item(IDC_DI_CAMERA_LIST);
    LRESULT selected = SendMessageA(cameras, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return 0;
    LRESULT data = SendMessageA(cameras, CB_GETITEMDATA, WPARAM(selected), 0);
    return data == CB_ERR ? 0 : DWORD(data);
}

void DriverInformationDialog::ShowCameraInformation() {
    CameraHandle camera(SelectedCamera());
    if (!camera.get()) {
        camera_text_ = firmware_text_ = sensor_text_ = kUnread;
        return;
    }
    std::optional<std::string> text = ReadCameraText(camera.get());
    camera_text_ = text.value_or(kUnread);
    BYTE value[2] = {};
    firmware_text_ =
        KMXPI_PropertyGet(camera.get(), &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FIRMWARE_VERSION,
                          sizeof value, value) == KMXPI_STATUS_SUCCESS
            ? FirmwareText(value[0], value[1])
            : kUnread;
    sensor_text_ = KMXPI_PropertyGet(camera.get(), &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SENSOR_TYPE,
                                     sizeof value, value) == KMXPI_STATUS_SUCCESS
                       ? SensorText(value[0], value[1])
                       : kUnread;
}

void DriverInformationDialog::LanguageChosen() {
    RegistryKey key(HKEY_CURRENT_USER, kSettingsKeyPath, true, false);
    Save();
    LRESULT selected = SendMessageA(Item(IDC_DI_LANGUAGE_LIST), CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || SelectLanguage(int(selected)) != 1) return;
    ApplyTexts();
    key.SetString(kLanguageNameValue, GetLanguageName(GetLanguage()));
}

void DriverInformationDialog::CameraTextEdited() {
    Save();
    {
        CameraHandle camera(SelectedCamera());
        // A failed write shows as the text the camera still holds.
        if (camera.get())
            WriteCameraText(camera.get(), camera_text_);
        else
            camera_text_ = kUnread;
    }
    ShowCameraInformation();
    Load();
}

}  // namespace ui

void ShowDriverInformationDialog(DWORD identity1, DWORD identity2) {
    ui::DriverInformationDialog dialog;
    dialog.identity1 = identity1;
    dialog.identity2 = identity2;
    dialog.RunModal(nullptr);
}

}  // namespace kmx
