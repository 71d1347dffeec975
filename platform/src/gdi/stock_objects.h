// Stock objects: created on first use, shared by the whole process and never
// freed.
#pragma once

#include "gdi/bitmap.h"
#include "gdi/object_table.h"

namespace kmxwin::gdi {

// The stock object of index I (WHITE_BRUSH ... DEFAULT_GUI_FONT), or nullptr.
GdiObject* StockObject(int i);

// The 1x1 bitmap every memory DC starts with.
Bitmap* DefaultBitmap();

// Marks OBJECT as the system's and enters it into the table.
GdiObject* InsertStockObject(std::unique_ptr<GdiObject> object);

}  // namespace kmxwin::gdi
