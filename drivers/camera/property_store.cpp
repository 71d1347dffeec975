#include "property_store.h"

#include "camera_records.h"

#include <algorithm>
#include <cstring>

namespace kmxcam {

namespace {

void PutWords(std::vector<uint8_t>& value, std::initializer_list<uint32_t> words) {
    size_t at = 0;
    for (uint32_t word : words) {
        std::memcpy(value.data() + at, &word, sizeof word);
        at += sizeof word;
    }
}

}  // namespace

PropertyStore::PropertyStore(const CameraProfile& profile) : profile_(profile) {
    for (const PropertySpec& definition : profile.properties)
        entries_.push_back({&definition, definition.default_value});
}

template <class Self>
auto* PropertyStore::Find(Self& self, const GUID& set, uint32_t id, uint8_t& status) {
    for (auto& entry : self.entries_)
        if (entry.definition->id == id && entry.definition->set == set) return &entry;
    status = self.profile_.HasSet(set) ? kUnknownId : kUnknownSet;
    return static_cast<decltype(&self.entries_.front())>(nullptr);
}

PropertyStore::Entry* PropertyStore::CameraEntry(uint32_t id) {
    uint8_t ignored;
    return Find(*this, sets::kCamera, id, ignored);
}

bool PropertyStore::IsWindowPosition(const Entry& entry) const {
    return profile_.pan_tilt_zoom && entry.definition->set == sets::kCamera &&
           entry.definition->id == camera_ids::kWindowPosition;
}

WindowSize PropertyStore::Window() const {
    return {static_cast<uint32_t>(Word(sets::kCamera, camera_ids::kWindowGeometry, 2, 0)),
            static_cast<uint32_t>(Word(sets::kCamera, camera_ids::kWindowGeometry, 3, 0))};
}

std::optional<std::pair<int64_t, int64_t>> PropertyStore::Limits(const Entry& entry,
                                                                 size_t word) const {
    const PropertySpec& definition = *entry.definition;
    if (IsWindowPosition(entry) && word < 2) {
        // The window may go anywhere in the field, but not over its edge.
        const PanTiltZoomOptics& optics = *profile_.pan_tilt_zoom;
        WindowSize window = Window();
        return std::pair<int64_t, int64_t>(
            0, word == 0 ? optics.field_width - window.width : optics.field_height - window.height);
    }
    if (word < definition.ranges.size()) return definition.ranges[word];
    if (word == 0 && !definition.choices.empty())
        return std::pair(*std::min_element(definition.choices.begin(), definition.choices.end()),
                         *std::max_element(definition.choices.begin(), definition.choices.end()));
    return std::nullopt;
}

bool PropertyStore::Accepts(const Entry& entry, std::span<const uint8_t> value) const {
    if (!entry.definition->Allows(value)) return false;
    for (size_t word = 0; IsWindowPosition(entry) && word < 2; ++word) {
        auto [low, high] = *Limits(entry, word);
        // The position's words are unsigned: a "negative" one lies far outside.
        int64_t number = int64_t(uint32_t(ValueWord(value, word)));
        if (number < low || number > high) return false;
    }
    return true;
}

std::vector<uint8_t> PropertyStore::DefaultValue(const Entry& entry) const {
    std::vector<uint8_t> value = entry.definition->default_value;
    if (IsWindowPosition(entry)) {
        // The window the current zoom step gives, in the middle of the field.
        WindowPosition centred = Centred(*profile_.pan_tilt_zoom, Window());
        PutWords(value, {centred.x, centred.y});
    }
    return value;
}

void PropertyStore::FollowZoom(const Entry& changed) {
    if (!profile_.pan_tilt_zoom || !(changed.definition->set == sets::kCamera) ||
        changed.definition->id != camera_ids::kZoom)
        return;
    Entry* geometry = CameraEntry(camera_ids::kWindowGeometry);
    Entry* position = CameraEntry(camera_ids::kWindowPosition);
    const PanTiltZoomOptics& optics = *profile_.pan_tilt_zoom;
    WindowSize old_size = Window();
    WindowPosition old{static_cast<uint32_t>(ValueWord(position->value, 0)),
                       static_cast<uint32_t>(ValueWord(position->value, 1))};
    WindowSize new_size = WindowAt(optics, static_cast<uint32_t>(ValueWord(changed.value, 0)));
    WindowPosition moved = Refitted(optics, old_size, old, new_size);
    PutWords(geometry->value,
             {optics.field_width, optics.field_height, new_size.width, new_size.height});
    PutWords(position->value, {moved.x, moved.y});
}

uint8_t PropertyStore::Get(const GUID& set, uint32_t id, std::span<uint8_t> value) const {
    uint8_t status = kSuccess;
    const Entry* entry = Find(*this, set, id, status);
    if (!entry) return status;
    if (entry->definition->access == Access::ResetOnly) return kBadParameter;
    if (value.size() != entry->value.size())
        return value.size() < entry->value.size() ? kBufferTooSmall : kBufferTooLarge;
    std::memcpy(value.data(), entry->value.data(), value.size());
    return kSuccess;
}

uint8_t PropertyStore::Set(const GUID& set, uint32_t id, std::span<const uint8_t> value) {
    uint8_t status = kSuccess;
    Entry* entry = Find(*this, set, id, status);
    if (!entry) return status;
    if (entry->definition->access != Access::ReadWrite) return kBadParameter;
    if (value.size() != entry->value.size())
        return value.size() < entry->value.size() ? kBufferTooSmall : kBufferTooLarge;
    if (!Accepts(*entry, value)) return kBadParameter;
    entry->value.assign(value.begin(), value.end());
    FollowZoom(*entry);
    return kSuccess;
}

uint8_t PropertyStore::Reset(const GUID& set, uint32_t id) {
    uint8_t status = kSuccess;
    Entry* entry = Find(*this, set, id, status);
    if (!entry) return status;
    if (entry->definition->access == Access::ReadOnly) return kBadParameter;
    entry->value = DefaultValue(*entry);
    FollowZoom(*entry);
    return kSuccess;
}

int64_t PropertyStore::Word(const GUID& set, uint32_t id, size_t word, int64_t fallback) const {
    uint8_t ignored;
    const Entry* entry = Find(*this, set, id, ignored);
    return entry && entry->definition->access != Access::ResetOnly ? ValueWord(entry->value, word)
                                                                   : fallback;
}

}  // namespace kmxcam
