#include "processing/frame_decoding.h"

#include "processing/client_formats.h"

#include <cstring>

namespace kmx {
namespace {

// The codec's error code for an error answer; never 0, so that a failure
// cannot pass for success.
LONG ErrorOf(const PegasusRecord& record) {
    return record.error != PEGASUS_ERROR_NONE ? record.error : kCodecFailed;
}

}  // namespace

LONG DecodeCameraFrame(PEGASUS_ENTRY pegasus, PEGASUS_QUERY_ENTRY query, const BYTE* frame,
                       DWORD length, DWORD bits, DWORD compression, DWORD orientation, BYTE* out,
                       DWORD capacity) {
    PegasusRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.input.data = frame;
    record.input_length = length;
    if (query(&record) != PEGASUS_ANSWER_DONE ||
        (record.input_type != PEGASUS_IMAGE_JPEG && record.input_type != PEGASUS_IMAGE_PICJ))
        return kCodecNotJpeg;
    record.output_bits = bits;
    record.output_packing = compression == kFourccYuy2 || compression == kFourccUyvy
                                ? compression
                                : DWORD(PEGASUS_PACKING_RGB);
    record.output_orientation = orientation;
    record.request = PEGASUS_REQUEST_INITIALISE;
    if (pegasus(&record) != PEGASUS_ANSWER_DONE) return ErrorOf(record);
    record.output.data = out;
    record.output_capacity = capacity;
    record.request = PEGASUS_REQUEST_EXECUTE;
    if (pegasus(&record) != PEGASUS_ANSWER_DONE) return ErrorOf(record);
    record.request = PEGASUS_REQUEST_TERMINATE;
    if (pegasus(&record) != PEGASUS_ANSWER_DONE) return ErrorOf(record);
    return 0;
}

}  // namespace kmx
