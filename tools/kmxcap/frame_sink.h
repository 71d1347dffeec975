// Where recorded frames go, chosen by the output file's name: a container
// through libavformat (.avi, .mkv, .mp4 ...), raw frames back to back
// (.raw), or a numbered PNG sequence (a name with a printf number such as
// frame%04d.png).
#pragma once

#include <windows.h>

#include "client_format.h"

#include <memory>
#include <string>

namespace kmxcap {

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // One frame of SIZE bytes, in the order delivered.
    virtual void Write(const BYTE* data, size_t size) = 0;
    // Completes the file; a Failure when it cannot be.
    virtual void Finish() = 0;
};

// A sink for frames of FORMAT at FPS frames a second into PATH; a Failure
// naming why when PATH cannot take them.
std::unique_ptr<FrameSink> OpenSink(const std::string& path, const BITMAPINFOHEADER& format,
                                    unsigned fps);

std::unique_ptr<FrameSink> OpenContainerSink(const std::string& path,
                                             const BITMAPINFOHEADER& format, unsigned fps);

// Whether PATH names a single PNG or a PNG sequence.
bool IsPngPath(const std::string& path);
// Writes one uncompressed frame of FORMAT as a PNG file at PATH.
void WritePng(const std::string& path, const BITMAPINFOHEADER& format, const BYTE* data,
              size_t size);

}  // namespace kmxcap
