// One open instance of the MJPG codec: the decompression sequence of
// ICM_DECOMPRESS_BEGIN, ICM_DECOMPRESS for each frame, ICM_DECOMPRESS_END.
#pragma once

#include <windows.h>
#include <vfw.h>

namespace kmxmjpg {

class MjpgDecompressor {
  public:
    // ICERR_OK when the codec makes OUT from IN; the frames may come.
    LRESULT Begin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out);
    // Decodes one frame as the record describes it (SIZE: the record's).
    LRESULT Decompress(const ICDECOMPRESS* record, LPARAM size) const;
    LRESULT End();

  private:
    bool begun_ = false;
};

}  // namespace kmxmjpg
