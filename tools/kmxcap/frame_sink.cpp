#include "frame_sink.h"

#include "command_line.h"
#include "failures.h"

#include <cstdio>
#include <utility>

namespace kmxcap {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Frames back to back, as the driver delivered them.
class RawSink : public FrameSink {
  public:
    explicit RawSink(const std::string& path) : path_(path), file_(fopen(path.c_str(), "wb")) {
        if (!file_) throw kmxtool::Failure("cannot write " + path);
    }
    ~RawSink() override {
        if (file_) fclose(file_);
    }
    void Write(const BYTE* data, size_t size) override {
        if (fwrite(data, 1, size, file_) != size) throw kmxtool::Failure("cannot write " + path_);
    }
    void Finish() override {
        FILE* file = std::exchange(file_, nullptr);
        if (fclose(file) != 0) throw kmxtool::Failure("cannot write " + path_);
    }

  private:
    std::string path_;
    FILE* file_;
};

// One PNG file a frame, numbered from 1 by the name's printf number.
class PngSequenceSink : public FrameSink {
  public:
    PngSequenceSink(const std::string& pattern, const BITMAPINFOHEADER& format)
        : pattern_(pattern), format_(format) {
        std::optional<FormatKind> kind = KindOf(format);
        if (!kind || !Uncompressed(*kind))
            throw kmxtool::Failure("PNG files need an uncompressed format, not " +
                                   Describe(format));
    }
    void Write(const BYTE* data, size_t size) override {
        char name[4096];
        snprintf(name, sizeof name, pattern_.c_str(), ++number_);
        WritePng(name, format_, data, size);
    }
    void Finish() override {}

  private:
    std::string pattern_;
    BITMAPINFOHEADER format_;
    int number_ = 0;
};

// Exactly one printf conversion, a number: %d with optional zero padding.
bool IsNumberPattern(const std::string& path) {
    size_t percent = path.find('%');
    if (percent == std::string::npos || path.find('%', percent + 1) != std::string::npos)
        return false;
    size_t at = percent + 1;
    while (at < path.size() && (path[at] >= '0' && path[at] <= '9')) ++at;
    return at < path.size() && path[at] == 'd';
}

}  // namespace

std::unique_ptr<FrameSink> OpenSink(const std::string& path, const BITMAPINFOHEADER& format,
                                    unsigned fps) {
    if (EndsWith(path, ".raw")) return std::make_unique<RawSink>(path);
    if (IsPngPath(path)) {
        if (!IsNumberPattern(path))
            throw kmxtool::UsageError("a PNG sequence is named with one number, as frame%04d.png");
        return std::make_unique<PngSequenceSink>(path, format);
    }
    return OpenContainerSink(path, format, fps);
}

}  // namespace kmxcap
