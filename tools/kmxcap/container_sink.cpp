// Recording into a container through libavformat: MJPG frames pass
// through as they come, uncompressed frames are stored as raw video, one
// packet a delivered frame at the nominal frame rate.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixfmt.h>
}

#include <cstring>

#include "command_line.h"
#include "failures.h"
#include "frame_sink.h"

#include <vector>

namespace kmxcap {
namespace {

std::string AvError(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

AVPixelFormat PixelFormat(FormatKind kind) {
    switch (kind) {
        case FormatKind::Rgb24:
            return AV_PIX_FMT_BGR24;
        case FormatKind::Rgb16:
            return AV_PIX_FMT_RGB555LE;
        case FormatKind::Yuy2:
            return AV_PIX_FMT_YUYV422;
        case FormatKind::Uyvy:
            return AV_PIX_FMT_UYVY422;
        default:
            return AV_PIX_FMT_YUVJ422P;  // what the camera's MJPG decodes to
    }
}

class ContainerSink : public FrameSink {
  public:
    ContainerSink(const std::string& path, const BITMAPINFOHEADER& format, unsigned fps)
        : path_(path) {
        std::optional<FormatKind> kind = KindOf(format);
        if (!kind || *kind == FormatKind::Kmxx)
            throw kmxtool::Failure("the camera's own " + Describe(format) +
                                   " frames cannot go into a container; record them to a .raw "
                                   "file, or choose another --format");
        int made = avformat_alloc_output_context2(&context_, nullptr, nullptr, path.c_str());
        if (made < 0 || !context_)
            throw kmxtool::UsageError("no container is known for " + path +
                                      " (use .avi, .mkv, .mp4, .raw or a PNG sequence)");
        AVCodecID codec = *kind == FormatKind::Mjpg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO;
        if (avformat_query_codec(context_->oformat, codec, FF_COMPLIANCE_NORMAL) != 1)
            Fail(std::string(context_->oformat->name) + " cannot hold " + KindName(*kind) +
                 " video; use .avi or .mkv, or --format mjpg");
        bool avi = strcmp(context_->oformat->name, "avi") == 0;
        stream_ = avformat_new_stream(context_, nullptr);
        if (!stream_) Fail("out of memory");
        AVCodecParameters* parameters = stream_->codecpar;
        parameters->codec_type = AVMEDIA_TYPE_VIDEO;
        parameters->codec_id = codec;
        parameters->width = format.biWidth;
        parameters->height = format.biHeight;
        parameters->format = PixelFormat(*kind);
        parameters->bits_per_coded_sample = format.biBitCount;
        // Packed YUV is known by its FourCC; RGB in an AVI is a plain DIB
        // (tag 0), bottom-up as the driver delivers it; elsewhere RGB rows
        // are stored top-down.
        if (*kind == FormatKind::Yuy2 || *kind == FormatKind::Uyvy)
            parameters->codec_tag = format.biCompression;
        flip_stride_ = Uncompressed(*kind) &&
                               (*kind == FormatKind::Rgb24 || *kind == FormatKind::Rgb16) && !avi
                           ? static_cast<size_t>(format.biWidth) * format.biBitCount / 8
                           : 0;
        if (flip_stride_) flipped_.resize(flip_stride_ * static_cast<size_t>(format.biHeight));
        stream_->time_base = AVRational{1, static_cast<int>(fps)};
        stream_->avg_frame_rate = AVRational{static_cast<int>(fps), 1};
        if (!(context_->oformat->flags & AVFMT_NOFILE)) {
            int opened = avio_open(&context_->pb, path.c_str(), AVIO_FLAG_WRITE);
            if (opened < 0) Fail("cannot write " + path + ": " + AvError(opened));
        }
        int written = avformat_write_header(context_, nullptr);
        if (written < 0) Fail("cannot start " + path + ": " + AvError(written));
        packet_ = av_packet_alloc();
        if (!packet_) Fail("out of memory");
    }

    ~ContainerSink() override { Release(); }

    void Write(const BYTE* data, size_t size) override {
        if (flip_stride_) {
            size_t rows = flipped_.size() / flip_stride_;
            if (size < flipped_.size())
                throw kmxtool::Failure("a frame is shorter than its format");
            for (size_t row = 0; row < rows; ++row)
                memcpy(flipped_.data() + row * flip_stride_, data + (rows - 1 - row) * flip_stride_,
                       flip_stride_);
            data = flipped_.data(), size = flipped_.size();
        }
        // Not reference counted: libavformat copies what it keeps.
        packet_->data = const_cast<BYTE*>(data);
        packet_->size = static_cast<int>(size);
        packet_->stream_index = stream_->index;
        packet_->pts = packet_->dts = next_;
        packet_->duration = 1;
        packet_->flags = AV_PKT_FLAG_KEY;
        av_packet_rescale_ts(packet_, AVRational{1, stream_->avg_frame_rate.num},
                             stream_->time_base);
        int written = av_interleaved_write_frame(context_, packet_);
        if (written < 0) throw kmxtool::Failure("cannot write " + path_ + ": " + AvError(written));
        ++next_;
    }

    void Finish() override {
        int written = av_write_trailer(context_);
        Release();
        if (written < 0) throw kmxtool::Failure("cannot finish " + path_ + ": " + AvError(written));
    }

  private:
    [[noreturn]] void Fail(const std::string& why) {
        Release();
        throw kmxtool::Failure(why);
    }
    void Release() {
        av_packet_free(&packet_);
        if (context_) {
            if (!(context_->oformat->flags & AVFMT_NOFILE)) avio_closep(&context_->pb);
            avformat_free_context(context_);
            context_ = nullptr;
        }
    }

    std::string path_;
    AVFormatContext* context_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t next_ = 0;
    size_t flip_stride_ = 0;
    std::vector<BYTE> flipped_;
};

}  // namespace

std::unique_ptr<FrameSink> OpenContainerSink(const std::string& path,
                                             const BITMAPINFOHEADER& format, unsigned fps) {
    return std::make_unique<ContainerSink>(path, format, fps);
}

}  // namespace kmxcap
