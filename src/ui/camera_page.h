// A page of the Video Source sheet: a property page that reads and writes
// camera properties on the sheet's camera handle. The sheet owns the handle
// variable and gives each page its address before it runs, so that all
// pages use the one handle.
#pragma once

#include <kmx512u/kmxpi.h>

#include "ui/property_page.h"

namespace kmx::ui {

class CameraPage : public PropertyPage {
  public:
    using PropertyPage::PropertyPage;

    void SetCameraHandle(KMXPI_HANDLE* handle) { handle_ = handle; }

  protected:
    // The property functions on the sheet's handle; their status.
    DWORD Get(const GUID& set, DWORD id, DWORD size, void* value) const;
    DWORD Set(const GUID& set, DWORD id, DWORD size, void* value) const;
    DWORD Default(const GUID& set, DWORD id) const;
    // A property whose size is that of VALUE (BYTE, a record).
    template <class Value>
    DWORD Read(const GUID& set, DWORD id, Value& value) const {
        return Get(set, id, sizeof value, &value);
    }
    template <class Value>
    DWORD Write(const GUID& set, DWORD id, Value value) const {
        return Set(set, id, sizeof value, &value);
    }

    // A control's write: a camera that went away ends the sheet as Cancel
    // does; any other failure leaves the control as the user set it.
    // STATUS is passed through.
    DWORD Written(DWORD status) const;

  private:
    KMXPI_HANDLE* handle_ = nullptr;
};

}  // namespace kmx::ui
