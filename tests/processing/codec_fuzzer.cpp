// libFuzzer target for the JPEG codec: any bytes, as a camera frame, through
// the pipeline's whole conversation to the output their length selects,
// into an output of exactly the image's size, so that the address
// sanitizer sees any stray write. Built with Clang only:
//     CC=clang CXX=clang++ cmake -B build-fuzz -G Ninja -DKMX_SANITIZE=address
//     cmake --build build-fuzz --target codec_fuzzer
//     build-fuzz/bin/codec_fuzzer -max_total_time=60 CORPUS_DIR
#include <kmx512u/pegasus_record.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" uint32_t Pegasus(PegasusRecord* record);
extern "C" uint32_t PegasusQuery(PegasusRecord* record);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint32_t kOutputs[4][2] = {
        {24, PEGASUS_PACKING_RGB}, {16, PEGASUS_PACKING_RGB}, {16, PEGASUS_PACKING_YUY2}, {16, PEGASUS_PACKING_UYVY}};
    PegasusRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.input.data = data;
    record.input_length = uint32_t(size);
    if (PegasusQuery(&record) != PEGASUS_ANSWER_DONE) return 0;
    // Huge claimed sizes only cost memory, not coverage.
    if (uint64_t(record.width) * record.height > 4096 * 4096) return 0;
    const uint32_t* output = kOutputs[size % 4];
    record.output_bits = output[0];
    record.output_packing = output[1];
    std::vector<uint8_t> out(size_t(record.width) * record.height * output[0] / 8);
    record.request = PEGASUS_REQUEST_INITIALISE;
    if (Pegasus(&record) != PEGASUS_ANSWER_DONE) return 0;
    record.output.data = out.data();
    record.output_capacity = uint32_t(out.size());
    record.request = PEGASUS_REQUEST_EXECUTE;
    if (Pegasus(&record) != PEGASUS_ANSWER_DONE) return 0;
    record.request = PEGASUS_REQUEST_TERMINATE;
    Pegasus(&record);
    return 0;
}
