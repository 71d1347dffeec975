#include "ui/advanced_page.h"

#include "ui/language_table.h"
#include "ui/processor_features.h"
#include "ui/video_source_resources.h"

#include <iterator>

namespace kmx::ui {
namespace {

constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowPeriod = 1000;

// Speed/light mode: the low four bits choose the level, bit 7 is automatic.
constexpr BYTE kAutomaticBit = 0x80;
constexpr BYTE kLevelMask = 0x0F;
constexpr BYTE kLevels[] = {1, 2, 4};  // High Speed, Medium, Low Light
// The capability bits of High Speed, Medium, Low Light and Automatic.
constexpr BYTE kCapabilityBits[] = {0x01, 0x02, 0x04, 0x80};
constexpr int kSpeedLightItems[] = {IDC_ADV_HIGH_SPEED, IDC_ADV_MEDIUM, IDC_ADV_LOW_LIGHT,
                                    IDC_ADV_AUTOMATIC};
constexpr int kLevelButtons[] = {IDC_ADV_HIGH_SPEED, IDC_ADV_MEDIUM, IDC_ADV_LOW_LIGHT};

// Speed/quality mode values of Monochrome, Fast Colour and High Quality Colour.
constexpr BYTE kSpeedQualityModes[] = {3, 0, 1};
constexpr int kSpeedQualityButtons[] = {IDC_ADV_MONOCHROME, IDC_ADV_FAST_COLOUR,
                                        IDC_ADV_HIGH_QUALITY_COLOUR};
constexpr BYTE kNoSpeedQuality = 2;

constexpr const char* kMaximumKeys[] = {"10%Reserved", "32%Reserved", "53%Reserved",
                                        "64%Reserved", "74%Reserved", "85%Reserved"};
constexpr const char* kAllocatedKeys[] = {"None",        "UseAvailable", "10%Reserved",
                                          "32%Reserved", "53%Reserved",  "64%Reserved",
                                          "74%Reserved", "85%Reserved"};
constexpr const char* kSecondMaximumKeys[] = {"37%Reserved", "59%Reserved", "80%Reserved"};
constexpr const char* kSecondAllocatedKeys[] = {"None", "37%Reserved", "59%Reserved",
                                                "80%Reserved"};

constexpr LocalisedText kTexts[] = {
    {IDC_ADV_SPEED_LIGHT_GROUP, "SpeedLight"},
    {IDC_ADV_HIGH_SPEED, "HighSpeed"},
    {IDC_ADV_MEDIUM, "Medium"},
    {IDC_ADV_LOW_LIGHT, "LowLight"},
    {IDC_ADV_AUTOMATIC, "Automatic"},
    {IDC_ADV_BACKLIT, "Backlit"},
    {IDC_ADV_SPEED_QUALITY_GROUP, "SpeedQuality"},
    {IDC_ADV_MONOCHROME, "Monochrome"},
    {IDC_ADV_FAST_COLOUR, "FastColour"},
    {IDC_ADV_HIGH_QUALITY_COLOUR, "HighQualityColour"},
    {IDC_ADV_DEFECT_CORRECTION1, "DefectCorrection1"},
    {IDC_ADV_DEFECT_CORRECTION2, "DefectCorrection2"},
    {IDC_ADV_USB_GROUP, "UsbConnection"},
    {IDC_ADV_MAXIMUM_LABEL, "MaximumAllowed"},
    {IDC_ADV_ALLOCATED_LABEL, "CurrentlyAllocated"},
    {IDC_ADV_ERROR_CHECK, "ErrorCheck"},
};

// The Speed / Quality column, and the USB Connection group's controls.
constexpr int kSpeedQualityColumn[] = {IDC_ADV_SPEED_QUALITY_GROUP, IDC_ADV_MONOCHROME,
                                       IDC_ADV_FAST_COLOUR,         IDC_ADV_HIGH_QUALITY_COLOUR,
                                       IDC_ADV_DEFECT_CORRECTION1,  IDC_ADV_DEFECT_CORRECTION2};
constexpr int kUsbControls[] = {IDC_ADV_USB_GROUP,  IDC_ADV_MAXIMUM_LABEL, IDC_ADV_ALLOCATED_LABEL,
                                IDC_ADV_ALLOCATED,  IDC_ADV_MAXIMUM,       IDC_ADV_MAXIMUM_SECOND,
                                IDC_ADV_ERROR_CHECK};

// The index of the level in MODE's low bits, -1 for none.
int LevelChoice(BYTE mode) {
    for (int index = 0; index < static_cast<int>(std::size(kLevels)); ++index)
        if ((mode & kLevelMask) == kLevels[index]) return index;
    return -1;
}

// The language text of KEYS[INDEX]; the empty text for a value the table
// has no entry for.
const char* TableText(std::span<const char* const> keys, int index) {
    if (index < 0 || index >= static_cast<int>(keys.size())) return "";
    return GetLanguageText(keys[index]);
}

}  // namespace

const AdvancedPage::BandwidthForm AdvancedPage::kBandwidthForms[2] = {
    {KMXPI_PROPSET_USB, KMXPI_USB_MAXIMUM_BANDWIDTH, KMXPI_USB_BANDWIDTH, IDC_ADV_MAXIMUM, 2,
     kMaximumKeys, kAllocatedKeys},
    {KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_MAXIMUM_BANDWIDTH, KMXPI_COMPRESSION_BANDWIDTH,
     IDC_ADV_MAXIMUM_SECOND, 1, kSecondMaximumKeys, kSecondAllocatedKeys},
};

AdvancedPage::AdvancedPage() : CameraPage(IDD_ADVANCED_PAGE, "Advanced") {}

void AdvancedPage::ApplyTexts() {
    SetItemTexts(kTexts);
}

void AdvancedPage::OnShow() {
    read_ = Values{};
    bool speed_quality = ReadSpeedQuality();
    bool defect = ReadDefectCorrection();
    ReadErrorChecking();
    bool speed_light = ReadSpeedLight();
    bool backlit = ReadBacklit();

    if (ReadBandwidth(kBandwidthForms[0])) {
        ShowItem(IDC_ADV_MAXIMUM_SECOND, false);
    } else if (ReadBandwidth(kBandwidthForms[1])) {
        ShowItem(IDC_ADV_MAXIMUM, false);
    } else {
        for (int id : {IDC_ADV_USB_GROUP, IDC_ADV_MAXIMUM_LABEL, IDC_ADV_ALLOCATED_LABEL,
                       IDC_ADV_ALLOCATED, IDC_ADV_MAXIMUM, IDC_ADV_MAXIMUM_SECOND})
            ShowItem(id, false);
    }
    lists_filled_ = true;

    if (!speed_light) Arrange(speed_quality || defect || backlit);
    PutValues();
    if (!initialised_) {
        restore_ = read_;
        initialised_ = true;
    }
    RestartTimer();
}

void AdvancedPage::OnHide() {
    RestartTimer();
}

bool AdvancedPage::ReadSpeedQuality() {
    read_.speed_quality = kNoSpeedQuality;
    speed_quality_choice_ = -1;
    if (Read(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED, read_.speed_quality) !=
        KMXPI_STATUS_SUCCESS) {
        read_.speed_quality = kNoSpeedQuality;
        for (int id : {IDC_ADV_SPEED_QUALITY_GROUP, IDC_ADV_MONOCHROME, IDC_ADV_FAST_COLOUR,
                       IDC_ADV_HIGH_QUALITY_COLOUR})
            ShowItem(id, false);
        return false;
    }
    for (int index = 0; index < static_cast<int>(std::size(kSpeedQualityModes)); ++index)
        if (read_.speed_quality == kSpeedQualityModes[index]) speed_quality_choice_ = index;
    // Fast Colour is decoded with MMX instructions.
    if (!ProcessorHasMmx()) EnableItem(IDC_ADV_FAST_COLOUR, false);
    return true;
}

bool AdvancedPage::ReadDefectCorrection() {
    read_.defect1 = read_.defect2 = 0;
    if (Read(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_1, read_.defect1) !=
        KMXPI_STATUS_SUCCESS) {
        read_.defect1 = 0;
        ShowItem(IDC_ADV_DEFECT_CORRECTION1, false);
        ShowItem(IDC_ADV_DEFECT_CORRECTION2, false);
        return false;
    }
    if (Read(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2, read_.defect2) !=
        KMXPI_STATUS_SUCCESS) {
        read_.defect2 = 0;
        ShowItem(IDC_ADV_DEFECT_CORRECTION2, false);
        defect1_checked_ = read_.defect1 != 0;
        return true;
    }
    // The two boxes are one choice of three: none, level 1, level 2.
    defect2_checked_ = read_.defect1 && read_.defect2;
    defect1_checked_ = !defect2_checked_ && read_.defect1;
    return true;
}

void AdvancedPage::ReadErrorChecking() {
    if (Read(KMXPI_PROPSET_USB, KMXPI_USB_ERROR_CHECKING, read_.error_checking_off) ==
        KMXPI_STATUS_SUCCESS) {
        error_check_checked_ = read_.error_checking_off == 0;
    } else {
        read_.error_checking_off = 0;
        ShowItem(IDC_ADV_ERROR_CHECK, false);
    }
}

bool AdvancedPage::ReadSpeedLight() {
    BYTE capabilities = 0;
    bool read = Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT_CAPS, capabilities) ==
                KMXPI_STATUS_SUCCESS;
    bool shown = false;
    if (read) {
        int offered = 0;
        for (size_t index = 0; index < std::size(kCapabilityBits); ++index) {
            if (capabilities & kCapabilityBits[index])
                ++offered;
            else
                ShowItem(kSpeedLightItems[index], false);
        }
        // A single choice is no choice.
        shown = offered >= 2;
    }
    if (!shown) {
        ShowItem(IDC_ADV_SPEED_LIGHT_GROUP, false);
        for (int id : kSpeedLightItems) ShowItem(id, false);
    }
    if (!read) return false;
    if (Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT, read_.speed_light) !=
        KMXPI_STATUS_SUCCESS) {
        read_.speed_light = 0;
        automatic_checked_ = false;
        speed_light_choice_ = -1;
        return shown;
    }
    automatic_checked_ = (read_.speed_light & kAutomaticBit) != 0;
    for (int id : kLevelButtons) EnableItem(id, !automatic_checked_);
    speed_light_choice_ = LevelChoice(read_.speed_light);
    return shown;
}

bool AdvancedPage::ReadBacklit() {
    BYTE backlit = 0;
    if (Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BACKLIGHT, backlit) != KMXPI_STATUS_SUCCESS) {
        ShowItem(IDC_ADV_BACKLIT, false);
        return false;
    }
    backlit_checked_ = backlit != 0;
    return true;
}

bool AdvancedPage::ReadBandwidth(const BandwidthForm& form) {
    BYTE maximum = 0;
    if (Read(form.set, form.maximum_id, maximum) != KMXPI_STATUS_SUCCESS) return false;
    read_.maximum_bandwidth = maximum;
    HWND list = Item(form.list);
    if (!lists_filled_) {
        for (const char* key : form.maximum_keys)
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GetLanguageText(key)));
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(maximum - form.first_value), 0);
    ShowAllocated(form);
    return true;
}

DWORD AdvancedPage::ShowAllocated(const BandwidthForm& form) {
    BYTE allocated = 0;
    DWORD status = Read(form.set, form.allocated_id, allocated);
    bool shown = status == KMXPI_STATUS_SUCCESS;
    if (shown)
        SetDlgItemTextA(Handle(), IDC_ADV_ALLOCATED, TableText(form.allocated_keys, allocated));
    EnableItem(IDC_ADV_ALLOCATED_LABEL, shown);
    EnableItem(IDC_ADV_ALLOCATED, shown);
    return status;
}

void AdvancedPage::Arrange(bool top_content) {
    // Distances come from where the controls are now, so that a later
    // showing moves nothing further.
    RECT hidden = ItemRect(IDC_ADV_SPEED_LIGHT_GROUP);
    if (top_content) {
        // The Speed / Quality column takes the hidden group's place.
        int shift = ItemRect(IDC_ADV_SPEED_QUALITY_GROUP).left - hidden.left;
        for (int id : kSpeedQualityColumn) {
            RECT rect = ItemRect(id);
            OffsetRect(&rect, -shift, 0);
            MoveItem(id, rect);
        }
    } else {
        // Nothing above: the USB Connection group goes to the top.
        int shift = ItemRect(IDC_ADV_USB_GROUP).top - hidden.top;
        for (int id : kUsbControls) {
            RECT rect = ItemRect(id);
            OffsetRect(&rect, 0, -shift);
            MoveItem(id, rect);
        }
    }
}

void AdvancedPage::PutValues() {
    for (int index = 0; index < static_cast<int>(std::size(kSpeedQualityButtons)); ++index)
        Check(kSpeedQualityButtons[index], speed_quality_choice_ == index);
    for (int index = 0; index < static_cast<int>(std::size(kLevelButtons)); ++index)
        Check(kLevelButtons[index], speed_light_choice_ == index);
    Check(IDC_ADV_DEFECT_CORRECTION1, defect1_checked_);
    Check(IDC_ADV_DEFECT_CORRECTION2, defect2_checked_);
    Check(IDC_ADV_ERROR_CHECK, error_check_checked_);
    Check(IDC_ADV_BACKLIT, backlit_checked_);
    Check(IDC_ADV_AUTOMATIC, automatic_checked_);
}

void AdvancedPage::TakeValues() {
    speed_quality_choice_ = speed_light_choice_ = -1;
    for (int index = 0; index < static_cast<int>(std::size(kSpeedQualityButtons)); ++index)
        if (IsChecked(kSpeedQualityButtons[index])) speed_quality_choice_ = index;
    for (int index = 0; index < static_cast<int>(std::size(kLevelButtons)); ++index)
        if (IsChecked(kLevelButtons[index])) speed_light_choice_ = index;
    defect1_checked_ = IsChecked(IDC_ADV_DEFECT_CORRECTION1);
    defect2_checked_ = IsChecked(IDC_ADV_DEFECT_CORRECTION2);
    error_check_checked_ = IsChecked(IDC_ADV_ERROR_CHECK);
    backlit_checked_ = IsChecked(IDC_ADV_BACKLIT);
    automatic_checked_ = IsChecked(IDC_ADV_AUTOMATIC);
}

void AdvancedPage::RestartTimer() {
    SetTimer(Handle(), kFollowTimer, kFollowPeriod, nullptr);
}

void AdvancedPage::OnTimer(UINT_PTR timer) {
    if (timer != kFollowTimer || !automatic_checked_) return;
    // The camera chooses the level itself; the buttons follow it.
    BYTE mode = 0;
    if (Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT, mode) != KMXPI_STATUS_SUCCESS) return;
    speed_light_choice_ = LevelChoice(mode);
    for (int index = 0; index < static_cast<int>(std::size(kLevelButtons)); ++index)
        Check(kLevelButtons[index], speed_light_choice_ == index);
}

bool AdvancedPage::OnCommand(int id, int code) {
    for (const BandwidthForm& form : kBandwidthForms) {
        if (id == form.list && code == CBN_SELCHANGE) {
            ChooseBandwidth(form);
            return true;
        }
    }
    if (code != BN_CLICKED) return false;
    for (int index = 0; index < static_cast<int>(std::size(kSpeedQualityButtons)); ++index) {
        if (id != kSpeedQualityButtons[index]) continue;
        speed_quality_choice_ = index;
        Written(Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED, kSpeedQualityModes[index]));
        return true;
    }
    for (int index = 0; index < static_cast<int>(std::size(kLevelButtons)); ++index) {
        if (id != kLevelButtons[index]) continue;
        speed_light_choice_ = index;
        Written(Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT, kLevels[index]));
        return true;
    }
    TakeValues();
    switch (id) {
        case IDC_ADV_AUTOMATIC: {
            BYTE mode = speed_light_choice_ == 1 ? 2 : speed_light_choice_ == 2 ? 4 : 1;
            if (automatic_checked_) mode |= kAutomaticBit;
            for (int button : kLevelButtons) EnableItem(button, !automatic_checked_);
            Written(Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT, mode));
            break;
        }
        case IDC_ADV_BACKLIT:
            Written(Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BACKLIGHT,
                          static_cast<BYTE>(backlit_checked_)));
            break;
        case IDC_ADV_DEFECT_CORRECTION1:
            Written(Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_1,
                          static_cast<BYTE>(defect1_checked_)));
            if (defect1_checked_) {
                Written(Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2, BYTE{0}));
                defect2_checked_ = false;
            }
            break;
        case IDC_ADV_DEFECT_CORRECTION2:
            Written(Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_1,
                          static_cast<BYTE>(defect2_checked_)));
            Written(Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2,
                          static_cast<BYTE>(defect2_checked_)));
            if (defect2_checked_) defect1_checked_ = false;
            break;
        case IDC_ADV_ERROR_CHECK:
            Written(Write(KMXPI_PROPSET_USB, KMXPI_USB_ERROR_CHECKING,
                          static_cast<BYTE>(error_check_checked_ ? 0 : 1)));
            break;
        default:
            return false;
    }
    PutValues();
    return true;
}

void AdvancedPage::ChooseBandwidth(const BandwidthForm& form) {
    TakeValues();
    auto position = SendDlgItemMessageA(Handle(), form.list, CB_GETCURSEL, 0, 0);
    if (position != CB_ERR) {
        DWORD status = Written(
            Write(form.set, form.maximum_id, static_cast<BYTE>(position + form.first_value)));
        // What the camera could take of the new maximum.
        if (status == KMXPI_STATUS_SUCCESS) Written(ShowAllocated(form));
    }
    PutValues();
}

void AdvancedPage::OnOK() {
    KillTimer(Handle(), kFollowTimer);
}

void AdvancedPage::OnCancel() {
    if (initialised_) {
        // The maximum goes back to the first set even on cameras that use
        // the second: there the write fails and the page's choice stays.
        Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED, restore_.speed_quality);
        Write(KMXPI_PROPSET_USB, KMXPI_USB_MAXIMUM_BANDWIDTH, restore_.maximum_bandwidth);
        Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT, restore_.speed_light);
        Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_1, restore_.defect1);
        Write(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2, restore_.defect2);
        Write(KMXPI_PROPSET_USB, KMXPI_USB_ERROR_CHECKING, restore_.error_checking_off);
    }
    KillTimer(Handle(), kFollowTimer);
}

}  // namespace kmx::ui
