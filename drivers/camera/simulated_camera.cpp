#include "simulated_camera.h"

#include "kmxx_format.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace kmxcam {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

constexpr uint32_t kStreaming = 2;

uint32_t ImageSize(const ModeSpec& mode, uint32_t width, uint32_t height) {
    if (mode.compression == kMjpg) return 2 * width * height + 608;
    return width * mode.bits_per_pixel * height / 8 + 1024;
}

void CompleteRead(kmxwin::DeviceRequest& request, ReadFrameHeader header, uint8_t status,
                  std::span<const uint8_t> frame = {}) {
    header.status = (header.status & ~0xFFu) | status;
    header.delivered = static_cast<uint32_t>(frame.size());
    // The reply carries the header and the bytes delivered, not the unused
    // rest of the client's buffer: the delivered count says how much is valid.
    request.Complete(STATUS_SUCCESS, &header, sizeof header, frame.data(),
                     static_cast<DWORD>(frame.size()));
}

}  // namespace

struct SimulatedCamera::FrameJob {
    FormatRecord format;
    bool huffman_tables;
    PictureSettings settings;
    uint32_t number;
    PendingRead read;
};

SimulatedCamera::SimulatedCamera(const CameraProfile& profile, std::string serial)
    : profile_(profile), serial_(std::move(serial)), properties_(profile_), debug_(profile_) {
    const ModeSpec& first = profile_.modes.front();
    format_ = FormatRecord{first.width,
                           first.height,
                           first.bits_per_pixel,
                           {},
                           first.compression,
                           ImageSize(first, first.width, first.height),
                           0};
    period_ = milliseconds(first.period_ms);
    clock_ = std::thread([this] { FrameClock(); });
}

SimulatedCamera::~SimulatedCamera() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    clock_.join();
}

const ModeSpec* SimulatedCamera::ModeFor(const FormatRecord& format) const {
    for (const ModeSpec& mode : profile_.modes) {
        if (mode.compression != format.compression || mode.bits_per_pixel != format.bits_per_pixel)
            continue;
        if (format.width < mode.min_width || format.width > mode.max_width ||
            format.width % mode.width_step || format.height < mode.min_height ||
            format.height > mode.max_height || format.height % mode.height_step)
            continue;
        return &mode;
    }
    return nullptr;
}

void SimulatedCamera::TakeTiming(const FormatRecord& format, const ModeSpec& mode) {
    period_ = milliseconds(format.timing ? format.timing : mode.period_ms);
}

uint8_t SimulatedCamera::OpenStream(const kmxwin::DeviceConnection& client,
                                    const FormatRecord& format, uint32_t& stream) {
    std::lock_guard guard(lock_);
    if (stream_) return kInUse;
    const ModeSpec* mode = ModeFor(format);
    if (!mode) return kBadParameter;
    format_ = format;
    TakeTiming(format, *mode);
    if (next_stream_ == 0) ++next_stream_;
    stream = stream_ = next_stream_++;
    stream_owner_ = client;
    return kSuccess;
}

void SimulatedCamera::EndStream(std::vector<PendingRead>& failed) {
    stream_ = 0;
    stream_owner_.reset();
    mode_ = 0;
    for (PendingRead& read : reads_) failed.push_back(std::move(read));
    reads_.clear();
}

void SimulatedCamera::FailReads(std::vector<PendingRead>& reads) {
    for (PendingRead& read : reads) CompleteRead(*read.request, read.header, kBadState);
}

uint8_t SimulatedCamera::CloseStream(uint32_t stream) {
    std::vector<PendingRead> failed;
    {
        std::lock_guard guard(lock_);
        if (!stream_ || stream != stream_) return kBadState;
        EndStream(failed);
    }
    FailReads(failed);
    return kSuccess;
}

uint32_t SimulatedCamera::Mode() {
    std::lock_guard guard(lock_);
    return mode_;
}

uint8_t SimulatedCamera::SetMode(uint32_t mode) {
    if (mode > kStreaming) return kBadParameter;
    {
        std::lock_guard guard(lock_);
        mode_ = mode;
    }
    changed_.notify_all();
    return kSuccess;
}

uint8_t SimulatedCamera::Descriptor(uint16_t index, FormatDescriptor& descriptor) {
    if (index >= profile_.modes.size()) return kBadParameter;
    const ModeSpec& mode = profile_.modes[index];
    descriptor = FormatDescriptor{static_cast<uint16_t>(profile_.modes.size()),
                                  index,
                                  mode.width_step,
                                  mode.height_step,
                                  mode.min_width,
                                  mode.min_height,
                                  mode.max_width,
                                  mode.max_height,
                                  {mode.width,
                                   mode.height,
                                   mode.bits_per_pixel,
                                   {},
                                   mode.compression,
                                   ImageSize(mode, mode.width, mode.height),
                                   mode.period_ms}};
    return kSuccess;
}

uint8_t SimulatedCamera::CheckFormat(const FormatRecord& format) {
    std::lock_guard guard(lock_);
    const ModeSpec* mode = ModeFor(format);
    if (!mode) return kBadParameter;
    TakeTiming(format, *mode);
    return kSuccess;
}

uint8_t SimulatedCamera::SetFormat(const FormatRecord& format) {
    std::lock_guard guard(lock_);
    // Clients change formats with the camera idle; a camera that is
    // delivering frames cannot change them under its reader.
    if (mode_ != 0) return kBadState;
    const ModeSpec* mode = ModeFor(format);
    if (!mode) return kBadParameter;
    format_ = format;
    TakeTiming(format, *mode);
    return kSuccess;
}

void SimulatedCamera::Read(std::unique_ptr<kmxwin::DeviceRequest> request,
                           const ReadFrameHeader& header) {
    {
        std::lock_guard guard(lock_);
        if (stream_ && header.stream == stream_) {
            reads_.push_back({std::move(request), header});
            changed_.notify_all();
            return;
        }
    }
    CompleteRead(*request, header, kBadState);
}

uint8_t SimulatedCamera::PropertyGet(const GUID& set, uint32_t id, std::span<uint8_t> value) {
    std::lock_guard guard(lock_);
    return properties_.Get(set, id, value);
}

uint8_t SimulatedCamera::PropertySet(const GUID& set, uint32_t id, std::span<const uint8_t> value) {
    std::lock_guard guard(lock_);
    return properties_.Set(set, id, value);
}

uint8_t SimulatedCamera::PropertyDefault(const GUID& set, uint32_t id) {
    std::lock_guard guard(lock_);
    return properties_.Reset(set, id);
}

uint8_t SimulatedCamera::NotificationSet(kmxwin::DeviceConnection& client, const GUID& set,
                                         uint32_t id, uint32_t event) {
    if (!(set == sets::kNotification)) return kUnknownSet;
    if (id != 0) return kUnknownId;
    std::lock_guard guard(lock_);
    for (const Registration& registration : registrations_)
        if (registration.client == client && registration.event == event) return kSuccess;
    // Referenced now, while the client is sure to hold the handle.
    client.ReferenceEvent(event);
    registrations_.push_back({client, event});
    return kSuccess;
}

uint8_t SimulatedCamera::NotificationClear(kmxwin::DeviceConnection& client, uint32_t event) {
    std::lock_guard guard(lock_);
    auto found =
        std::find_if(registrations_.begin(), registrations_.end(),
                     [&](const Registration& r) { return r.client == client && r.event == event; });
    if (found == registrations_.end()) return kBadParameter;
    client.ReleaseEvent(event);
    registrations_.erase(found);
    return kSuccess;
}

uint8_t SimulatedCamera::AbortCapture() {
    std::vector<PendingRead> failed;
    {
        std::lock_guard guard(lock_);
        if (stream_) EndStream(failed);
    }
    FailReads(failed);
    return kSuccess;
}

uint8_t SimulatedCamera::Debug(DWORD code, uint32_t (&words)[3], std::span<uint8_t> data) {
    std::lock_guard guard(lock_);
    // Service tools see the modes through the debug command, which carries
    // no connection of its own.
    if (code == kDebugCommandCode && static_cast<uint8_t>(words[1]) == kModeDescriptorRequest) {
        uint32_t length = words[2] & 0xFFFF;
        if (length > data.size()) return kBadParameter;
        FormatDescriptor descriptor;
        uint8_t status = Descriptor(static_cast<uint16_t>(words[1] >> 16), descriptor);
        if (status != kSuccess) return status;
        if (length != sizeof descriptor)
            return length < sizeof descriptor ? kBufferTooSmall : kBufferTooLarge;
        std::memcpy(data.data(), &descriptor, sizeof descriptor);
        return kSuccess;
    }
    return debug_.Handle(code, words, data, properties_,
                         static_cast<uint32_t>(registrations_.size()));
}

void SimulatedCamera::TakeReads(const kmxwin::DeviceConnection& client, std::optional<uint64_t> id,
                                std::vector<PendingRead>& taken) {
    for (auto read = reads_.begin(); read != reads_.end();) {
        if (read->request->Connection() == client && (!id || read->request->Id() == *id)) {
            taken.push_back(std::move(*read));
            read = reads_.erase(read);
        } else {
            ++read;
        }
    }
}

void SimulatedCamera::CancelRead(const kmxwin::DeviceConnection& client, uint64_t id) {
    std::vector<PendingRead> dropped;  // let go after the lock
    std::lock_guard guard(lock_);
    TakeReads(client, id, dropped);
}

void SimulatedCamera::ClientClosed(const kmxwin::DeviceConnection& client) {
    std::vector<PendingRead> failed, dropped;
    {
        std::lock_guard guard(lock_);
        TakeReads(client, std::nullopt, dropped);
        if (stream_owner_ && *stream_owner_ == client) EndStream(failed);
        std::erase_if(registrations_, [&](const Registration& r) { return r.client == client; });
    }
    FailReads(failed);
}

void SimulatedCamera::SignalRemoval() {
    std::lock_guard guard(lock_);
    for (Registration& registration : registrations_)
        registration.client.SignalEvent(registration.event);
}

std::string SimulatedCamera::PropertiesText() {
    std::lock_guard guard(lock_);
    std::ostringstream text;
    for (const PropertyStore::Entry& entry : properties_.Entries()) {
        if (entry.definition->access == Access::ResetOnly) continue;
        text << entry.definition->set_name << ' ' << entry.definition->id << " =";
        const std::vector<uint8_t>& value = entry.value;
        if (value.size() <= 4) {
            uint32_t number = 0;
            for (size_t i = 0; i < value.size(); ++i) number |= uint32_t(value[i]) << (8 * i);
            text << ' ' << number;
        } else if (value.size() % 4 == 0 && value.size() <= 16) {
            for (size_t at = 0; at < value.size(); at += 4) {
                int32_t word;
                std::memcpy(&word, &value[at], 4);
                text << ' ' << word;
            }
        } else {
            text << " \""
                 << std::string(reinterpret_cast<const char*>(value.data()),
                                strnlen(reinterpret_cast<const char*>(value.data()), value.size()))
                 << '"';
        }
        text << '\n';
    }
    return text.str();
}

PictureSettings SimulatedCamera::Picture() const {
    PictureSettings settings;
    // A value's effect is measured from its default across its range, so
    // every profile's defaults give the unaltered picture.
    struct Amount {
        int64_t value, standard;
        double span;
    };
    auto amount = [&](uint32_t id) -> std::optional<Amount> {
        const PropertySpec* definition = profile_.FindProperty(sets::kVideoProcAmp, id);
        if (!definition || definition->ranges.empty() || definition->default_value.size() < 4)
            return std::nullopt;
        int32_t standard;
        std::memcpy(&standard, definition->default_value.data(), 4);
        double span =
            std::max(double(definition->ranges[0].second - definition->ranges[0].first), 1.0);
        return Amount{properties_.Word(sets::kVideoProcAmp, id, 0, standard), standard, span};
    };
    if (auto brightness = amount(procamp_ids::kBrightness))
        settings.brightness = static_cast<int>(double(brightness->value - brightness->standard) *
                                               255 / brightness->span);
    if (auto contrast = amount(procamp_ids::kContrast); contrast && contrast->standard > 0)
        settings.contrast =
            double(std::max<int64_t>(contrast->value, 0)) / double(contrast->standard);
    if (auto saturation = amount(procamp_ids::kSaturation); saturation && saturation->standard > 0)
        settings.saturation =
            double(std::max<int64_t>(saturation->value, 0)) / double(saturation->standard);
    settings.flip = properties_.Word(sets::kCamera, camera_ids::kFlip, 0, 0) != 0;
    settings.mirror = properties_.Word(sets::kCamera, camera_ids::kMirror, 0, 0) != 0;
    if (profile_.pan_tilt_zoom) {
        auto geometry = [&](size_t word) {
            return static_cast<uint32_t>(
                properties_.Word(sets::kCamera, camera_ids::kWindowGeometry, word, 0));
        };
        auto position = [&](size_t word) {
            return static_cast<uint32_t>(
                properties_.Word(sets::kCamera, camera_ids::kWindowPosition, word, 0));
        };
        settings.field_width = geometry(0);
        settings.field_height = geometry(1);
        settings.window_width = geometry(2);
        settings.window_height = geometry(3);
        settings.window_x = position(0);
        settings.window_y = position(1);
    }
    return settings;
}

std::optional<SimulatedCamera::FrameJob> SimulatedCamera::NextJob(
    std::unique_lock<std::mutex>& lock) {
    for (;;) {
        if (stopping_) return std::nullopt;
        if (mode_ != kStreaming || !stream_) {
            clock_running_ = false;
            changed_.wait(lock);
            continue;
        }
        steady_clock::time_point now = steady_clock::now();
        // The sensor starts with a frame at once and then makes one each
        // period, read or not: a frame no read is waiting for is lost, as
        // are the frames of periods the clock slept through.
        if (!clock_running_) {
            clock_running_ = true;
            next_frame_ = now;
        }
        if (now < next_frame_) {
            changed_.wait_until(lock, next_frame_);
            continue;
        }
        for (next_frame_ += period_; next_frame_ <= now; next_frame_ += period_)
            ++counters_.frames_produced;
        ++counters_.frames_produced;
        if (reads_.empty()) continue;
        FrameJob job{format_, profile_.huffman_tables, Picture(), frame_number_++,
                     std::move(reads_.front())};
        reads_.pop_front();
        return job;
    }
}

SimulatedCamera::FrameCounters SimulatedCamera::Counters() {
    std::lock_guard guard(lock_);
    return counters_;
}

void SimulatedCamera::Deliver(FrameJob& job) {
    synthesizer_.Render(job.format.width, job.format.height, job.number, job.settings, picture_);
    bool made = true;
    if (job.format.compression == kMjpg)
        made = encoder_.Encode(picture_, job.huffman_tables, frame_);
    else
        EncodeKmxx(picture_, job.format.bits_per_pixel, frame_);
    if (!made) {
        CompleteRead(*job.read.request, job.read.header, kBadState);
    } else if (frame_.size() > job.read.header.capacity) {
        CompleteRead(*job.read.request, job.read.header, kBufferTooSmall);
    } else {
        // Counted first: a client that has its frame finds it counted.
        {
            std::lock_guard guard(lock_);
            ++counters_.reads_completed;
            counters_.last_read_at = steady_clock::now();
        }
        CompleteRead(*job.read.request, job.read.header, kSuccess, frame_);
    }
}

void SimulatedCamera::FrameClock() {
    std::unique_lock lock(lock_);
    while (std::optional<FrameJob> job = NextJob(lock)) {
        lock.unlock();
        Deliver(*job);
        lock.lock();
    }
}

}  // namespace kmxcam
