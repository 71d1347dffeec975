// The trace channels (kmxwin/trace.h): which are on, and the lines.
#include <kmxwin/trace.h>

#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

KMXWIN_API unsigned kmxwin_trace_channels = 0;

namespace kmxwin {
namespace {

struct ChannelName {
    const char* name;
    TraceChannel channel;
};
constexpr ChannelName kChannels[] = {{"kernel", TraceChannel::kernel},
                                     {"registry", TraceChannel::registry},
                                     {"devices", TraceChannel::devices},
                                     {"modules", TraceChannel::modules},
                                     {"api", TraceChannel::api}};

const char* NameOf(TraceChannel channel) {
    for (const ChannelName& known : kChannels)
        if (known.channel == channel) return known.name;
    return "?";
}

void WriteError(const std::string& text) {
    ssize_t ignored = write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
}

// Reads KMX512_TRACE before any other code of the process can call a
// traced function.
__attribute__((constructor(101))) void ReadTraceChannels() {
    const char* setting = getenv("KMX512_TRACE");
    if (!setting) return;
    unsigned channels = 0;
    std::string_view rest = setting;
    while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view word = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (word.empty()) continue;
        if (word == "all") {
            for (const ChannelName& known : kChannels)
                channels |= static_cast<unsigned>(known.channel);
            continue;
        }
        bool found = false;
        for (const ChannelName& known : kChannels) {
            if (word != known.name) continue;
            channels |= static_cast<unsigned>(known.channel);
            found = true;
        }
        if (!found)
            WriteError("kmx512: KMX512_TRACE: no channel \"" + std::string(word) +
                       "\" (the channels are kernel, registry, devices, modules, api, all)\n");
    }
    kmxwin_trace_channels = channels;
}

}  // namespace

void WriteTraceLine(TraceChannel channel, const std::string& call) {
    char prefix[48];
    snprintf(prefix, sizeof prefix, "%d:%ld:trace:%s:", static_cast<int>(getpid()),
             static_cast<long>(syscall(SYS_gettid)), NameOf(channel));
    WriteError(prefix + call + "\n");
}

void AppendTraceText(std::string& line, const char* text) {
    if (!text) return void(line += "NULL");
    // Long texts are cut, and what would break the line is escaped.
    constexpr size_t kShown = 256;
    line += '"';
    size_t length = strnlen(text, kShown + 1);
    for (size_t i = 0; i < length && i < kShown; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
    line += length > kShown ? "\"..." : "\"";
}

void AppendTraceGuid(std::string& line, const GUID* guid) {
    if (!guid) return void(line += "NULL");
    char text[40];
    snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid->Data1,
             guid->Data2, guid->Data3, guid->Data4[0], guid->Data4[1], guid->Data4[2],
             guid->Data4[3], guid->Data4[4], guid->Data4[5], guid->Data4[6], guid->Data4[7]);
    line += text;
}

}  // namespace kmxwin
