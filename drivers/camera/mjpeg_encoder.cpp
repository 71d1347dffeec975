#include "mjpeg_encoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kmxcam {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return;
// jumping back into Encode keeps exceptions out of the C library.
struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf escape;
};

void ErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}
void OutputMessage(j_common_ptr) {}

// Writes the compressed data straight into a growing vector.
struct VectorDestination {
    jpeg_destination_mgr base;
    std::vector<uint8_t>* out;
};

void InitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    destination->out->resize(64 * 1024);
    destination->base.next_output_byte = destination->out->data();
    destination->base.free_in_buffer = destination->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    size_t used = destination->out->size();
    destination->out->resize(used * 2);
    destination->base.next_output_byte = destination->out->data() + used;
    destination->base.free_in_buffer = destination->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    destination->out->resize(destination->out->size() - destination->base.free_in_buffer);
}

}  // namespace

struct MjpegEncoder::State {
    jpeg_compress_struct info{};
    ErrorManager error{};
    VectorDestination destination{};
};

MjpegEncoder::MjpegEncoder(int quality) : state_(std::make_unique<State>()), quality_(quality) {
    state_->info.err = jpeg_std_error(&state_->error.base);
    state_->error.base.error_exit = ErrorExit;
    state_->error.base.output_message = OutputMessage;
    jpeg_create_compress(&state_->info);
    state_->destination.base.init_destination = InitDestination;
    state_->destination.base.empty_output_buffer = EmptyOutputBuffer;
    state_->destination.base.term_destination = TermDestination;
    state_->info.dest = &state_->destination.base;
}

MjpegEncoder::~MjpegEncoder() {
    jpeg_destroy_compress(&state_->info);
}

bool MjpegEncoder::Encode(const YuvFrame& frame, bool huffman_tables, std::vector<uint8_t>& out) {
    jpeg_compress_struct& info = state_->info;
    state_->destination.out = &out;
    if (setjmp(state_->error.escape)) {
        jpeg_abort_compress(&info);
        return false;
    }
    info.image_width = static_cast<JDIMENSION>(frame.width);
    info.image_height = static_cast<JDIMENSION>(frame.height);
    info.input_components = 3;
    info.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_YCbCr);
    jpeg_set_quality(&info, quality_, TRUE);
    info.raw_data_in = TRUE;
    info.dct_method = JDCT_ISLOW;
    // 4:2:2: luma at full resolution, chroma halved horizontally.
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 1;
    for (int c = 1; c < 3; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (!huffman_tables) {
        // Marked as sent, the standard tables are used but never written;
        // the quantisation tables still go out with the frame.
        for (int i = 0; i < 2; ++i) {
            info.dc_huff_tbl_ptrs[i]->sent_table = TRUE;
            info.ac_huff_tbl_ptrs[i]->sent_table = TRUE;
        }
    }
    jpeg_start_compress(&info, huffman_tables ? TRUE : FALSE);

    JSAMPROW y_rows[8], cb_rows[8], cr_rows[8];
    JSAMPARRAY planes[3] = {y_rows, cb_rows, cr_rows};
    for (int top = 0; top < frame.rows; top += 8) {
        for (int i = 0; i < 8; ++i) {
            size_t row = size_t(top + i);
            y_rows[i] = const_cast<JSAMPROW>(&frame.y[row * frame.luma_stride]);
            cb_rows[i] = const_cast<JSAMPROW>(&frame.cb[row * frame.chroma_stride]);
            cr_rows[i] = const_cast<JSAMPROW>(&frame.cr[row * frame.chroma_stride]);
        }
        jpeg_write_raw_data(&info, planes, 8);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace kmxcam
