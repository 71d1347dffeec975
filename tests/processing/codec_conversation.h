// One frame through the JPEG codec as the frame pipeline decodes it: the
// query, then the initialise, execute and terminate requests, into the
// first CAPACITY bytes at OUT, turned as ORIENTATION (PEGASUS_ORIENT_*)
// says. The first error answer ends the
// conversation without a terminate, as it ends the pipeline's. The codec's
// tests, its fuzz target and its benchmark all speak to it this way.
#pragma once

#include <kmx512u/pegasus_record.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace kmxtest {

inline PegasusRecord DecodeFrame(PEGASUS_ENTRY pegasus, PEGASUS_QUERY_ENTRY query,
                                 const uint8_t* frame, size_t length, uint32_t bits,
                                 uint32_t packing, uint8_t* out, size_t capacity,
                                 uint32_t orientation = 0) {
    PegasusRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.input.data = frame;
    record.input_length = uint32_t(length);
    if (query(&record) != PEGASUS_ANSWER_DONE) return record;
    record.output_bits = bits;
    record.output_packing = packing;
    record.output_orientation = orientation;
    for (uint32_t request :
         {PEGASUS_REQUEST_INITIALISE, PEGASUS_REQUEST_EXECUTE, PEGASUS_REQUEST_TERMINATE}) {
        if (request == PEGASUS_REQUEST_EXECUTE) {
            record.output.data = out;
            record.output_capacity = uint32_t(capacity);
        }
        record.request = request;
        if (pegasus(&record) != PEGASUS_ANSWER_DONE) break;
    }
    return record;
}

}  // namespace kmxtest
