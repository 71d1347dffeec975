// The state of one capture stream, from DVM_STREAM_INIT to DVM_STREAM_FINI:
// the three camera reads kept in flight, the queue of client buffers
// waiting for a frame, the two wait services on whose threads reads
// complete and timers expire, the frame-skip and retry timers, and the
// linking driver through which the client is called back.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>
#include <kmxrecords/camera_commands.h>

#include <vector>

#include "capture/wait_service.h"
#include "device/frame_request.h"
#include "processing/pipeline_state.h"

namespace kmx {

struct CaptureDevice;
struct StreamState;

inline constexpr DWORD kStreamReads = 3;

// What a wait-service callback of the stream is about.
enum class StreamEvent : DWORD { kRead = 0, kSkipTimer = 1, kRetryTimer = 2 };

struct StreamContext {
    StreamState* stream;
    DWORD index;  // the read request, for kRead
    StreamEvent kind;
};

// One prepared client header's link, kept in its dwReserved[0].
struct BufferLink {
    DWORD_PTR callback_address;  // the header's 16:16 address for a 16-bit client, else 0
    VIDEOHDR* next;              // the next queued header
    BYTE* data;                  // the flat address of the header's data
};

struct StreamState {
    CaptureDevice* device;
    CameraConnection* connection;  // the device's
    // Between StartStream and StopStream. Written by the client's thread,
    // read by the service threads.
    volatile LONG running;
    DWORD error;  // stays 0

    // Under queue_lock: the queued headers, oldest first, and the prepared
    // headers' links (only those are ever followed).
    CRITICAL_SECTION queue_lock;
    DWORD queued;
    VIDEOHDR* queue_head;
    VIDEOHDR* queue_tail;
    std::vector<BufferLink*> prepared;

    WaitService read_service;   // the three reads and the retry timer
    WaitService timer_service;  // the frame-skip timer

    StreamCallbackRecord* callback;  // the dispatcher's
    DWORD callback16;                // its 16:16 address for a 16-bit client, else 0

    // Under timer_lock: the frame-skip timer, whether the running stream
    // keeps a count of skipped frames with it, whether its expiry is
    // registered with the timer service, and the count.
    CRITICAL_SECTION timer_lock;
    HANDLE skip_timer;
    bool counting_skips;
    bool skip_registered;
    DWORD skipped;

    HANDLE retry_timer;
    FrameRequest* reads[kStreamReads];
    StreamContext read_contexts[kStreamReads];
    StreamContext skip_context;
    StreamContext retry_context;

    // Set once the stream is stopped and nothing of it is outstanding: no
    // read in flight, no retry armed.
    HANDLE stopped_event;
    volatile LONG reads_in_flight;
    volatile LONG retry_armed;

    DWORD saved_period;      // the camera format's frame period before the stream
    DWORD first_frame_tick;  // GetTickCount of the first delivered frame; 0: none yet
    BYTE last_delivered;     // the read request delivered last
    HDRVR linking_driver;
    PipelineState pipeline;  // the device's, for this stream's conversions
    volatile LONG device_lost;
    FormatRecord camera_format;  // the device's, with the stream's frame period
    DWORD connection_id;         // for reopening a lost camera
};

}  // namespace kmx
