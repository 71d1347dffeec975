// What both linking drivers tell a stream's client for each private message
// of the library.
#pragma once

#include <windows.h>
#include <mmddk.h>

#include <kmx512u/kmxvfw.h>

namespace kmxlink {

// The client message for a private MESSAGE, or 0 for any other.
inline UINT ClientMessage(UINT message) {
    switch (message) {
        case KMXVFW_STREAM_OPEN:
            return MM_DRVM_OPEN;
        case KMXVFW_STREAM_CLOSE:
            return MM_DRVM_CLOSE;
        case KMXVFW_STREAM_DATA:
            return MM_DRVM_DATA;
        case KMXVFW_STREAM_ERROR:
            return MM_DRVM_ERROR;
        default:
            return 0;
    }
}

}  // namespace kmxlink
