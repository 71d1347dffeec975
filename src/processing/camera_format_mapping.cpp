#include "processing/camera_format_mapping.h"

#include <kmx512u/kmxpi.h>

#include "device/kernel_channel.h"
#include "processing/client_formats.h"

#include <optional>

namespace kmx {
namespace {

struct Size {
    DWORD width;
    DWORD height;
};

// The native size to capture in for a client of REQUESTED size, or nullopt
// to capture at the requested size.
std::optional<Size> ChooseNativeSize(KMXPI_HANDLE camera, Size requested) {
    BYTE selection = 0;
    if (KMXPI_PropertyGet(camera, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_SIZE_SELECTION,
                          sizeof selection, &selection) != KMXPI_STATUS_SUCCESS)
        return std::nullopt;
    std::optional<Size> smaller, larger;
    bool exact = false;
    for (DWORD n = 0; n <= KMXPI_CAMERA_LAST_NATIVE_SIZE - KMXPI_CAMERA_FIRST_NATIVE_SIZE; ++n) {
        DWORD native[2] = {};
        if (KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FIRST_NATIVE_SIZE + n,
                              sizeof native, native) != KMXPI_STATUS_SUCCESS)
            continue;
        Size size{native[0], native[1]};
        if (size.width == 0 || size.height == 0 || size.width > 0xFFFF || size.height > 0xFFFF)
            continue;  // no size a format record can carry
        bool found_smaller = false;
        if (!smaller && (size.width < requested.width ||
                         (size.width == requested.width && size.height < requested.height))) {
            smaller = size;
            found_smaller = true;
        }
        if (requested.width < size.width ||
            (requested.width == size.width && requested.height < size.height))
            larger = size;
        // The first (largest) native size that is smaller in one direction
        // only is taken as the requested size itself.
        if ((size.width == requested.width && size.height == requested.height) ||
            (n == 0 && !found_smaller &&
             (size.width < requested.width || size.height < requested.height))) {
            exact = true;
            break;
        }
        if (found_smaller) break;
    }
    if (exact || selection == kSizeSelectionKeep) return std::nullopt;
    if (selection == kSizeSelectionSmaller) return smaller ? smaller : larger;
    return larger;
}

}  // namespace

int MapClientToCameraFormat(CameraConnection& connection, const FormatRecord& client,
                            FormatRecord* camera) {
    std::optional<Size> native;
    DWORD connection_id = 0;
    KMXPI_HANDLE handle = nullptr;
    if (IsRgb24(client) &&
        ConnectionIdentity(connection, &connection_id, nullptr, nullptr) == kCommandSuccess &&
        KMXPI_HandleOpen(connection_id, &handle) == KMXPI_STATUS_SUCCESS) {
        native = ChooseNativeSize(handle, {client.width, client.height});
        KMXPI_HandleClose(&handle);
    }
    FormatRecord format = client;
    if (native) {
        format.width = static_cast<uint16_t>(native->width);
        format.height = static_cast<uint16_t>(native->height);
        format.image_size = native->width * native->height * 3;
    }
    if (!CameraFormatFor(format, camera)) *camera = format;
    return 0;
}

}  // namespace kmx
