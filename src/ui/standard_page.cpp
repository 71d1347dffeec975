#include "ui/standard_page.h"

#include <commctrl.h>

#include "ui/video_source_resources.h"

namespace kmx::ui {
namespace {

// Picture sliders move in steps of 100 over 0..10000.
constexpr int kPictureMaximum = 10000;
constexpr int kPictureStep = 100;
constexpr int kPicturePage = 1000;
// The compression slider runs from faster video (1) to better quality
// (10); the camera's level is the other way round.
constexpr int kCompressionMinimum = 1;
constexpr int kCompressionMaximum = 10;
constexpr int kCompressionFlip = 11;

constexpr LocalisedText kTexts[] = {
    {IDC_STD_SETTINGS_GROUP, "Settings"},
    {IDC_STD_BRIGHTNESS_LABEL, "Brightness"},
    {IDC_STD_COLOUR_LABEL, "Colour"},
    {IDC_STD_CONTRAST_LABEL, "Contrast"},
    {IDC_STD_DEFAULTS, "Defaults"},
    {IDC_STD_BANDING_GROUP, "BandingFilter"},
    {IDC_STD_50HZ, "50Hz"},
    {IDC_STD_60HZ, "60Hz"},
    {IDC_STD_NEVER_FLICKER, "NeverFlicker"},
    {IDC_STD_FASTER_VIDEO, "FasterVideo"},
    {IDC_STD_BETTER_QUALITY, "BetterQuality"},
    {IDC_STD_DISABLE_BANDING, "DisableBandFilter"},
    {IDC_STD_LOW_LIGHT_BOOST, "LowLightBoost"},
};

// What Defaults resets, in this order: the three pages' properties.
struct PropertyId {
    const GUID& set;
    DWORD id;
};
const PropertyId kDefaultsOrder[] = {
    {KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_BRIGHTNESS},
    {KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_CONTRAST},
    {KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_SATURATION},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BANDING_FREQUENCY},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_NEVER_FLICKER},
    {KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_LEVEL},
    {KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_NO_BANDING_FILTER},
    {KMXPI_PROPSET_LIGHT, KMXPI_LIGHT_LOW_LIGHT},
    {KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED},
    {KMXPI_PROPSET_LIGHT, KMXPI_LIGHT_RESET_0},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_SPEED_LIGHT},
    {KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_1},
    {KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2},
    {KMXPI_PROPSET_LIGHT, KMXPI_LIGHT_RESET_3},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_MIRROR},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT},
    {KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM},
};

int CompressionPosition(BYTE level) {
    return kCompressionFlip - level;
}

}  // namespace

StandardPage::StandardPage()
    : CameraPage(IDD_STANDARD_PAGE, "Standard"),
      brightness_{KMXPI_PROCAMP_BRIGHTNESS, IDC_STD_BRIGHTNESS, IDC_STD_BRIGHTNESS_LABEL},
      contrast_{KMXPI_PROCAMP_CONTRAST, IDC_STD_CONTRAST, IDC_STD_CONTRAST_LABEL},
      saturation_{KMXPI_PROCAMP_SATURATION, IDC_STD_COLOUR, IDC_STD_COLOUR_LABEL},
      banding_frequency_{KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BANDING_FREQUENCY},
      never_flicker_{KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_NEVER_FLICKER},
      filter_off_{KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_NO_BANDING_FILTER},
      low_light_{KMXPI_PROPSET_LIGHT, KMXPI_LIGHT_LOW_LIGHT},
      compression_{KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_LEVEL} {}

void StandardPage::ApplyTexts() {
    SetItemTexts(kTexts);
    SetItemText(IDC_STD_COMPRESSION_GROUP, lower_group_key_);
}

void StandardPage::OnShow() {
    // The camera is read once; later showings only set the texts again.
    if (initialised_) return;
    ReadCamera();
    ArrangeBandingFilter();

    if (Read(banding_frequency_.set, banding_frequency_.id, banding_frequency_.value) ==
        KMXPI_STATUS_SUCCESS) {
        banding_frequency_.read = true;
        frequency_choice_ = banding_frequency_.value ? 0 : 1;
    } else {
        if (never_flicker_.read || filter_off_.read)
            EnableItem(IDC_STD_BANDING_GROUP, false);
        else
            ShowItem(IDC_STD_BANDING_GROUP, false);
        ShowItem(IDC_STD_50HZ, false);
        ShowItem(IDC_STD_60HZ, false);
    }

    for (const AmplifierSetting* setting : {&brightness_, &contrast_, &saturation_}) {
        HWND slider = Item(setting->slider);
        SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, kPictureMaximum));
        SendMessageA(slider, TBM_SETLINESIZE, 0, kPictureStep);
        SendMessageA(slider, TBM_SETPAGESIZE, 0, kPicturePage);
        SendMessageA(slider, TBM_SETPOS, TRUE, setting->record.value);
    }
    HWND compression = Item(IDC_STD_COMPRESSION);
    SendMessageA(compression, TBM_SETRANGE, FALSE,
                 MAKELPARAM(kCompressionMinimum, kCompressionMaximum));
    SendMessageA(compression, TBM_SETLINESIZE, 0, 1);
    SendMessageA(compression, TBM_SETPAGESIZE, 0, 1);
    SendMessageA(compression, TBM_SETPOS, TRUE, CompressionPosition(compression_.value));

    initialised_ = true;
    PutValues();
}

void StandardPage::ReadCamera() {
    for (AmplifierSetting* setting : {&brightness_, &contrast_, &saturation_}) {
        setting->read =
            Read(KMXPI_PROPSET_VIDEOPROCAMP, setting->id, setting->record) == KMXPI_STATUS_SUCCESS;
        if (!setting->read) {
            EnableItem(setting->slider, false);
            EnableItem(setting->label, false);
        }
    }

    compression_.read =
        Read(compression_.set, compression_.id, compression_.value) == KMXPI_STATUS_SUCCESS;
    if (!compression_.read) {
        for (int id : {IDC_STD_LOW_LIGHT_BOOST, IDC_STD_COMPRESSION_GROUP, IDC_STD_COMPRESSION,
                       IDC_STD_FASTER_VIDEO, IDC_STD_BETTER_QUALITY})
            ShowItem(id, false);
        compression_.value = 0;
    }

    low_light_.read = Read(low_light_.set, low_light_.id, low_light_.value) == KMXPI_STATUS_SUCCESS;
    if (low_light_.read) {
        ShowItem(IDC_STD_LOW_LIGHT_BOOST, true);
        ShowItem(IDC_STD_COMPRESSION_GROUP, true);
        lower_group_key_ = "LightingControls";
        SetItemText(IDC_STD_COMPRESSION_GROUP, lower_group_key_);
        low_light_checked_ = low_light_.value != 0;
    } else {
        ShowItem(IDC_STD_LOW_LIGHT_BOOST, false);
    }

    never_flicker_.read =
        Read(never_flicker_.set, never_flicker_.id, never_flicker_.value) == KMXPI_STATUS_SUCCESS;
    if (never_flicker_.read)
        never_flicker_checked_ = never_flicker_.value != 0;
    else
        ShowItem(IDC_STD_NEVER_FLICKER, false);

    filter_off_.read =
        Read(filter_off_.set, filter_off_.id, filter_off_.value) == KMXPI_STATUS_SUCCESS;
    if (filter_off_.read) {
        filter_off_checked_ = filter_off_.value != 0;
        EnableBandingChoices(filter_off_checked_);
    } else {
        ShowItem(IDC_STD_DISABLE_BANDING, false);
    }
}

void StandardPage::ArrangeBandingFilter() {
    if (!never_flicker_.read && !filter_off_.read) return;
    // The check boxes beside the radio buttons come inside the group.
    RECT group = ItemRect(IDC_STD_BANDING_GROUP);
    group.right = ItemRect(IDC_STD_SETTINGS_GROUP).right;
    MoveItem(IDC_STD_BANDING_GROUP, group);
    if (never_flicker_.read == filter_off_.read) return;
    // A box alone sits on the line of the 60 Hz button.
    int alone = never_flicker_.read ? IDC_STD_NEVER_FLICKER : IDC_STD_DISABLE_BANDING;
    RECT box = ItemRect(alone);
    RECT line = ItemRect(IDC_STD_60HZ);
    box.top = line.top;
    box.bottom = line.bottom;
    MoveItem(alone, box);
}

void StandardPage::EnableBandingChoices(bool filter_off) {
    for (int id : {IDC_STD_NEVER_FLICKER, IDC_STD_50HZ, IDC_STD_60HZ}) EnableItem(id, !filter_off);
}

void StandardPage::PutValues() {
    Check(IDC_STD_50HZ, frequency_choice_ == 0);
    Check(IDC_STD_60HZ, frequency_choice_ == 1);
    Check(IDC_STD_NEVER_FLICKER, never_flicker_checked_);
    Check(IDC_STD_DISABLE_BANDING, filter_off_checked_);
    Check(IDC_STD_LOW_LIGHT_BOOST, low_light_checked_);
}

void StandardPage::OnHScroll(HWND control, int /*code*/) {
    if (control == Item(IDC_STD_COMPRESSION)) {
        int position = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
        Written(Write(compression_.set, compression_.id,
                      static_cast<BYTE>(kCompressionFlip - position)));
        return;
    }
    for (const AmplifierSetting* setting : {&brightness_, &contrast_, &saturation_}) {
        if (control != Item(setting->slider)) continue;
        int position = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
        position -= position % kPictureStep;
        SendMessageA(control, TBM_SETPOS, TRUE, position);
        // The flags and capabilities go back as they were read.
        KMXPI_PROCAMP_VALUE record = setting->record;
        record.value = position;
        Written(Write(KMXPI_PROPSET_VIDEOPROCAMP, setting->id, record));
        return;
    }
}

bool StandardPage::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_STD_50HZ:
            frequency_choice_ = 0;
            Written(Write(banding_frequency_.set, banding_frequency_.id, BYTE{1}));
            return true;
        case IDC_STD_60HZ:
            frequency_choice_ = 1;
            Written(Write(banding_frequency_.set, banding_frequency_.id, BYTE{0}));
            return true;
        case IDC_STD_NEVER_FLICKER:
            never_flicker_checked_ = IsChecked(id);
            WriteCheck(never_flicker_, never_flicker_checked_);
            return true;
        case IDC_STD_DISABLE_BANDING:
            filter_off_checked_ = IsChecked(id);
            EnableBandingChoices(filter_off_checked_);
            WriteCheck(filter_off_, filter_off_checked_);
            return true;
        case IDC_STD_LOW_LIGHT_BOOST:
            low_light_checked_ = IsChecked(id);
            WriteCheck(low_light_, low_light_checked_);
            return true;
        case IDC_STD_DEFAULTS:
            OnDefaults();
            return true;
    }
    return false;
}

void StandardPage::OnDefaults() {
    bool removed = false;
    for (const PropertyId& property : kDefaultsOrder) {
        if (Default(property.set, property.id) == KMXPI_STATUS_CAMERA_REMOVED) {
            removed = true;
            break;
        }
    }
    if (!removed) {
        // The camera's new values into the controls; the restore set stays
        // what the sheet found, so Cancel still returns to it.
        for (const AmplifierSetting* setting : {&brightness_, &contrast_, &saturation_}) {
            KMXPI_PROCAMP_VALUE record{};
            DWORD status = Read(KMXPI_PROPSET_VIDEOPROCAMP, setting->id, record);
            if (status == KMXPI_STATUS_SUCCESS)
                SendDlgItemMessageA(Handle(), setting->slider, TBM_SETPOS, TRUE, record.value);
            removed = removed || status == KMXPI_STATUS_CAMERA_REMOVED;
        }
        BYTE value = 0;
        DWORD status = Read(low_light_.set, low_light_.id, value);
        if (status == KMXPI_STATUS_SUCCESS) low_light_checked_ = value != 0;
        removed = removed || status == KMXPI_STATUS_CAMERA_REMOVED;

        // These stop at a camera that went away.
        auto read_back = [&](const ByteSetting& setting) {
            if (removed) return false;
            DWORD answer = Read(setting.set, setting.id, value);
            removed = answer == KMXPI_STATUS_CAMERA_REMOVED;
            return answer == KMXPI_STATUS_SUCCESS;
        };
        if (read_back(banding_frequency_)) frequency_choice_ = value ? 0 : 1;
        if (read_back(never_flicker_)) never_flicker_checked_ = value != 0;
        if (read_back(compression_))
            SendDlgItemMessageA(Handle(), IDC_STD_COMPRESSION, TBM_SETPOS, TRUE,
                                CompressionPosition(value));
        if (read_back(filter_off_)) {
            filter_off_checked_ = value != 0;
            EnableBandingChoices(filter_off_checked_);
        }
    }
    if (removed) EndSheetAsCancel();
    PutValues();
}

void StandardPage::OnCancel() {
    if (!initialised_) return;
    for (AmplifierSetting* setting : {&brightness_, &contrast_, &saturation_})
        if (setting->read) Write(KMXPI_PROPSET_VIDEOPROCAMP, setting->id, setting->record);
    // The banding filter's switch is not restored: Cancel leaves it as last set.
    for (ByteSetting* setting : {&banding_frequency_, &never_flicker_, &compression_, &low_light_})
        if (setting->read) Write(setting->set, setting->id, setting->value);
}

}  // namespace kmx::ui
