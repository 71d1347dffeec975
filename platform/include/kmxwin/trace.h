// Tracing for support, in the manner of Wine's debug channels. The variable
// KMX512_TRACE names the channels to trace, separated by commas: "kernel"
// (handles, events, mutexes, timers, threads, waits), "registry",
// "devices" (device files, I/O control, device interface lists), "modules"
// (loading libraries) and "api" (the library's exports), or "all". Each
// call of a traced function then writes one line to the standard error:
//
//   <pid>:<thread>:trace:<channel>:<Function>(<arguments>) = <result>
//
// Strings are shown quoted, handles and other pointers in hexadecimal,
// unsigned numbers in hexadecimal and signed ones in decimal. Off (the
// default), a traced call costs one test of a word.
//
// A traced function is defined through KMX_TRACED, in place of its usual
// head, with its parameters as (type, name) pairs:
//
//   LSTATUS APIENTRY RegCloseKey(HKEY hKey) {...}
// becomes
//   KMX_TRACED(registry, LSTATUS APIENTRY, RegCloseKey, (HKEY, hKey)) {...}
//
// This is not a Windows service; the Windows edition of the library has no
// channels to turn on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

namespace kmxwin {

enum class TraceChannel : unsigned {
    kernel = 1u << 0,
    registry = 1u << 1,
    devices = 1u << 2,
    modules = 1u << 3,
    api = 1u << 4,
};

// The channels KMX512_TRACE turned on, read when the platform is loaded.
extern "C" KMXWIN_API unsigned kmxwin_trace_channels;

inline bool Tracing(TraceChannel channel) {
    return (kmxwin_trace_channels & static_cast<unsigned>(channel)) != 0;
}

// Writes "<pid>:<thread>:trace:<channel>:<CALL>" and a line end in one
// write, so that lines of several threads and processes never mix.
KMXWIN_API void WriteTraceLine(TraceChannel channel, const std::string& call);

// One argument or result as a trace line shows it.
KMXWIN_API void AppendTraceText(std::string& line, const char* text);
KMXWIN_API void AppendTraceGuid(std::string& line, const GUID* guid);

template <class T>
void AppendTraceValue(std::string& line, T value) {
    char text[32];
    if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
        // Only input strings are shown: an output buffer holds nothing yet.
        if constexpr (std::is_same_v<T, const char*>)
            return AppendTraceText(line, value);
        else
            snprintf(text, sizeof text, "%p", static_cast<const void*>(value));
    } else if constexpr (std::is_same_v<T, const GUID*>) {
        return AppendTraceGuid(line, value);
    } else if constexpr (std::is_pointer_v<T>) {
        if (!value) return void(line += "NULL");
        // Handles and predefined keys are 32-bit values, as on Windows.
        auto bits = reinterpret_cast<intptr_t>(value);
        if (bits == static_cast<int32_t>(bits))
            snprintf(text, sizeof text, "%#x", static_cast<unsigned>(bits));
        else
            snprintf(text, sizeof text, "%p", reinterpret_cast<const void*>(value));
    } else if constexpr (std::is_enum_v<T>) {
        return AppendTraceValue(line, static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (std::is_signed_v<T>) {
        snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else {
        snprintf(text, sizeof text, "%#llx", static_cast<unsigned long long>(value));
    }
    line += text;
}

// "NAME(ARGUMENTS)"; strings are the callers' input, which the call left
// as it was.
template <class... Arguments>
std::string TraceCallText(const char* name, Arguments... arguments) {
    std::string line = std::string(name) + "(";
    const char* separator = "";
    ((line += separator, AppendTraceValue(line, arguments), separator = ", "), ...);
    return line + ")";
}

// Calls FUNCTION with ARGUMENTS and traces the call. The line is made once
// the call has returned: a thread ended by force in the call leaves nothing
// of the trace behind.
template <class Result, class... Parameters, class... Arguments>
[[gnu::noinline, gnu::cold]] Result TraceCall(TraceChannel channel, const char* name,
                                              Result (*function)(Parameters...),
                                              Arguments... arguments) {
    if constexpr (std::is_void_v<Result>) {
        function(arguments...);
        WriteTraceLine(channel, TraceCallText(name, arguments...));
    } else {
        Result result = function(arguments...);
        std::string line = TraceCallText(name, arguments...) + " = ";
        AppendTraceValue(line, result);
        WriteTraceLine(channel, line);
        return result;
    }
}

// Calls FUNCTION with ARGUMENTS, traced when CHANNEL is on. Inlined into
// each traced function, so that the call is a direct one when it is off.
template <class Result, class... Parameters, class... Arguments>
[[gnu::always_inline]] inline Result TracedCall(TraceChannel channel, const char* name,
                                                Result (*function)(Parameters...),
                                                Arguments... arguments) {
    if (!Tracing(channel)) [[likely]]
        return function(arguments...);
    return TraceCall(channel, name, function, arguments...);
}

}  // namespace kmxwin

// The parameter list and the argument list of (type, name) pairs.
#define KMX_TRACE_PARAMETER(type, name) type name
#define KMX_TRACE_ARGUMENT(type, name) name
#define KMX_TRACE_PARENS ()
#define KMX_TRACE_EXPAND(...) \
    KMX_TRACE_EXPAND3(KMX_TRACE_EXPAND3(KMX_TRACE_EXPAND3(KMX_TRACE_EXPAND3(__VA_ARGS__))))
#define KMX_TRACE_EXPAND3(...) \
    KMX_TRACE_EXPAND2(KMX_TRACE_EXPAND2(KMX_TRACE_EXPAND2(KMX_TRACE_EXPAND2(__VA_ARGS__))))
#define KMX_TRACE_EXPAND2(...) \
    KMX_TRACE_EXPAND1(KMX_TRACE_EXPAND1(KMX_TRACE_EXPAND1(KMX_TRACE_EXPAND1(__VA_ARGS__))))
#define KMX_TRACE_EXPAND1(...) __VA_ARGS__
#define KMX_TRACE_EACH(macro, ...) \
    __VA_OPT__(KMX_TRACE_EXPAND(KMX_TRACE_EACH_STEP(macro, __VA_ARGS__)))
#define KMX_TRACE_EACH_STEP(macro, pair, ...) \
    macro pair __VA_OPT__(, KMX_TRACE_EACH_AGAIN KMX_TRACE_PARENS(macro, __VA_ARGS__))
#define KMX_TRACE_EACH_AGAIN() KMX_TRACE_EACH_STEP

// Defines NAME, returning RESULT (with its calling convention), traced on
// CHANNEL; the body that follows is the function's own.
#define KMX_TRACED(channel, result, name, ...)                                            \
    static result name##_Untraced(KMX_TRACE_EACH(KMX_TRACE_PARAMETER, __VA_ARGS__));      \
    result name(KMX_TRACE_EACH(KMX_TRACE_PARAMETER, __VA_ARGS__)) {                       \
        return ::kmxwin::TracedCall(::kmxwin::TraceChannel::channel, #name,               \
                                    name##_Untraced __VA_OPT__(, )                        \
                                        KMX_TRACE_EACH(KMX_TRACE_ARGUMENT, __VA_ARGS__)); \
    }                                                                                     \
    static result name##_Untraced(KMX_TRACE_EACH(KMX_TRACE_PARAMETER, __VA_ARGS__))
