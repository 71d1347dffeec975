#include "property_store.h"

#include "camera_records.h"

#include <cstring>

namespace kmxcam {

namespace {

// A value word as the profile's ranges read it: one- and two-byte values are
// unsigned, 32-bit words signed.
int64_t ReadWord(std::span<const uint8_t> value, size_t word) {
    if (value.size() <= 2) {
        int64_t whole = 0;
        for (size_t i = 0; i < value.size(); ++i) whole |= int64_t(value[i]) << (8 * i);
        return word == 0 ? whole : 0;
    }
    if ((word + 1) * 4 > value.size()) return 0;
    int32_t signed_word;
    std::memcpy(&signed_word, value.data() + word * 4, 4);
    return signed_word;
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
    const auto& ranges = entry->definition->ranges;
    for (size_t word = 0; word < ranges.size(); ++word) {
        int64_t number = ReadWord(value, word);
        if (number < ranges[word].first || number > ranges[word].second) return kBadParameter;
    }
    entry->value.assign(value.begin(), value.end());
    return kSuccess;
}

uint8_t PropertyStore::Reset(const GUID& set, uint32_t id) {
    uint8_t status = kSuccess;
    Entry* entry = Find(*this, set, id, status);
    if (!entry) return status;
    if (entry->definition->access == Access::ReadOnly) return kBadParameter;
    entry->value = entry->definition->default_value;
    return kSuccess;
}

int64_t PropertyStore::Word(const GUID& set, uint32_t id, size_t word, int64_t fallback) const {
    uint8_t ignored;
    const Entry* entry = Find(*this, set, id, ignored);
    return entry && entry->definition->access != Access::ResetOnly ? ReadWord(entry->value, word)
                                                                   : fallback;
}

}  // namespace kmxcam
