// libFuzzer target for the JPEG codec: any bytes, as a camera frame, through
// the pipeline's whole conversation to the output their length selects,
// into an output of exactly the image's size, so that the address
// sanitizer sees any stray write. Built by the clang preset and run by
// scripts/fuzz.sh, from the seed frames in codec_corpus/.
#include "codec_conversation.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" uint32_t Pegasus(PegasusRecord* record);
extern "C" uint32_t PegasusQuery(PegasusRecord* record);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint32_t kOutputs[4][2] = {{24, PEGASUS_PACKING_RGB},
                                            {16, PEGASUS_PACKING_RGB},
                                            {16, PEGASUS_PACKING_YUY2},
                                            {16, PEGASUS_PACKING_UYVY}};
    // The image's size first, to size the output exactly.
    PegasusRecord header;
    std::memset(&header, 0, sizeof header);
    header.size = sizeof header;
    header.input.data = data;
    header.input_length = uint32_t(size);
    if (PegasusQuery(&header) != PEGASUS_ANSWER_DONE) return 0;
    // Huge claimed sizes only cost memory, not coverage.
    if (uint64_t(header.width) * header.height > 4096 * 4096) return 0;
    const uint32_t* output = kOutputs[size % 4];
    // 24-bit RGB is also flipped and mirrored, as the next bits select.
    const uint32_t orientation = output[0] == 24 ? uint32_t(size / 4 % 4) : 0;
    std::vector<uint8_t> out(size_t(header.width) * header.height * output[0] / 8);
    kmxtest::DecodeFrame(Pegasus, PegasusQuery, data, size, output[0], output[1], out.data(),
                         out.size(), orientation);
    return 0;
}
