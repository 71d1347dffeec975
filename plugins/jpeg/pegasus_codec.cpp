// The codec's entry points. Every frame is a query, an initialise, an
// execute and a terminate on a record that lives on the caller's stack, so
// the decoders themselves live here: initialise takes one from a pool,
// terminate (or any error answer) gives it back. A stream thus reuses one
// decoder's scratch for all its frames, and streams on several threads each
// hold their own; what a decoder keeps is scratch only, so which one a frame
// gets makes no difference to its picture.
#include "frame_decoder.h"

#include <kmx512u/pegasus_record.h>

#include <memory>
#include <mutex>
#include <vector>

#define PICN20_EXPORT extern "C" __attribute__((visibility("default")))

namespace picn20 {

namespace {

class DecoderPool {
  public:
    std::unique_ptr<FrameDecoder> Take() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<FrameDecoder> decoder = std::move(idle_.back());
                idle_.pop_back();
                return decoder;
            }
        }
        return std::make_unique<FrameDecoder>();
    }

    void Give(std::unique_ptr<FrameDecoder> decoder) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(decoder));
    }

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<FrameDecoder>> idle_;
};

DecoderPool& Pool() {
    static DecoderPool pool;
    return pool;
}

// While a record holds a decoder, the record owns it.
void ReleaseDecoder(PegasusRecord& record) {
    if (!record.session.state) return;
    Pool().Give(std::unique_ptr<FrameDecoder>(static_cast<FrameDecoder*>(record.session.state)));
    record.session.slot = 0;
}

uint32_t Answer(PegasusRecord& record, int error) {
    if (error != PEGASUS_ERROR_NONE) ReleaseDecoder(record);
    record.error = error;
    record.answer = error == PEGASUS_ERROR_NONE ? PEGASUS_ANSWER_DONE : PEGASUS_ANSWER_ERROR;
    return record.answer;
}

int Execute(PegasusRecord& record) {
    if (!record.session.state) return PEGASUS_ERROR_SEQUENCE;
    auto& decoder = *static_cast<FrameDecoder*>(record.session.state);
    OutputImage output{record.output.data, record.output_capacity, record.output_bits,
                       record.output_packing, record.output_orientation};
    size_t written = 0;
    int error = decoder.Decode(record.input.data, record.input_length, output, written);
    record.output_length = uint32_t(written);
    return error;
}

int Perform(PegasusRecord& record) {
    switch (record.request) {
        case PEGASUS_REQUEST_INITIALISE:
            if (!record.session.state) record.session.state = Pool().Take().release();
            return PEGASUS_ERROR_NONE;
        case PEGASUS_REQUEST_EXECUTE:
            return Execute(record);
        case PEGASUS_REQUEST_TERMINATE:
            ReleaseDecoder(record);
            return PEGASUS_ERROR_NONE;
        default:
            return PEGASUS_ERROR_RECORD;
    }
}

int Query(PegasusRecord& record) {
    record.input_type = PEGASUS_IMAGE_UNKNOWN;
    FrameHeader header;
    int error = ReadFrameHeader(record.input.data, record.input_length, header);
    if (error != PEGASUS_ERROR_NONE) return error;
    record.input_type = PEGASUS_IMAGE_JPEG;
    record.width = uint32_t(header.width);
    record.height = uint32_t(header.height);
    return PEGASUS_ERROR_NONE;
}

// Answers a call that does WORK on the record. A record of another size is
// not ours to write into.
template <class Work>
uint32_t Answered(PegasusRecord* record, Work work) {
    if (!record || record->size != PEGASUS_RECORD_SIZE) return PEGASUS_ANSWER_ERROR;
    try {
        return Answer(*record, work(*record));
    } catch (...) {  // no memory, in practice
        return Answer(*record, PEGASUS_ERROR_MEMORY);
    }
}

}  // namespace

}  // namespace picn20

PICN20_EXPORT uint32_t Pegasus(PegasusRecord* record) {
    return picn20::Answered(record, picn20::Perform);
}

PICN20_EXPORT uint32_t PegasusQuery(PegasusRecord* record) {
    return picn20::Answered(record, picn20::Query);
}
