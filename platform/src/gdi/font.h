// Font objects: the LOGFONT a font was created from and, once it is first
// used, the face it is realised with.
#pragma once

#include "gdi/font_mapper.h"
#include "gdi/object_table.h"

#include <memory>

namespace kmxwin::gdi {

struct Font : GdiObject {
    explicit Font(const LOGFONTW& font) : GdiObject(OBJ_FONT), log(font) {}
    LOGFONTW log;

    RealizedFont& Realized() {
        if (!realized) realized = RealizeFont(log);
        return *realized;
    }

  private:
    std::shared_ptr<RealizedFont> realized;
};

}  // namespace kmxwin::gdi
