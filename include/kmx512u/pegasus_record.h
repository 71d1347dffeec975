/* The JPEG codec library's interface: the parameter record that the frame
 * pipeline fills in for every camera frame, and the codec's two entry points.
 *
 * One frame is one conversation on a record that the caller zeroes first:
 *
 *   size = sizeof(PegasusRecord); input, input_length = the compressed frame
 *   PegasusQuery(&record)      -> input_type PEGASUS_IMAGE_JPEG, width, height
 *   output_bits, output_packing (, output_orientation) = the wanted output
 *   request = PEGASUS_REQUEST_INITIALISE; Pegasus(&record)
 *   output, output_capacity = the destination
 *   request = PEGASUS_REQUEST_EXECUTE;    Pegasus(&record)
 *   request = PEGASUS_REQUEST_TERMINATE;  Pegasus(&record)
 *
 * Each call answers PEGASUS_ANSWER_DONE or PEGASUS_ANSWER_ERROR, also left in
 * the record's answer field, with the codec's own error code in error. After
 * an error answer the record holds nothing of the codec's: a caller may stop
 * there without the terminate request.
 *
 * Outputs, as Video for Windows clients take them: 24 bits RGB are bottom-up
 * rows of B, G, R; 16 bits RGB are bottom-up rows of little-endian RGB 5-5-5
 * words (blue in the low bits, the top bit clear); PEGASUS_PACKING_YUY2 and
 * PEGASUS_PACKING_UYVY are top-down rows of packed 4:2:2, 16 bits. Rows are
 * not padded: an image takes width * height * bits / 8 bytes, and the output
 * capacity must be exactly that; a frame of any other size is refused with
 * PEGASUS_ERROR_CAPACITY and the output is left untouched.
 *
 * 24-bit RGB output can be turned as it is written: PEGASUS_ORIENT_FLIP in
 * output_orientation writes the rows in the other order (the picture upside
 * down), PEGASUS_ORIENT_MIRROR each row right to left. Any other output with
 * either bit is refused with PEGASUS_ERROR_OUTPUT.
 *
 * The record is 2108 bytes on every platform: pointers sit in 8-byte slots
 * and the structure is packed to 4 bytes, so a 32-bit caller and a 64-bit
 * one agree on every offset. */
#ifndef KMX512U_PEGASUS_RECORD_H
#define KMX512U_PEGASUS_RECORD_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PEGASUS_RECORD_SIZE = 2108,

    PEGASUS_REQUEST_INITIALISE = 1,
    PEGASUS_REQUEST_EXECUTE = 2,
    PEGASUS_REQUEST_TERMINATE = 4,

    PEGASUS_ANSWER_DONE = 0,
    PEGASUS_ANSWER_ERROR = 2,

    /* Input image types the query reports. */
    PEGASUS_IMAGE_UNKNOWN = 0,
    PEGASUS_IMAGE_JPEG = 4,

    /* Output packings: RGB, or packed 4:2:2 named by its FourCC. */
    PEGASUS_PACKING_RGB = 0,
    PEGASUS_PACKING_YUY2 = 0x32595559,
    PEGASUS_PACKING_UYVY = 0x59565955,

    /* Output orientation bits. */
    PEGASUS_ORIENT_FLIP = 1,
    PEGASUS_ORIENT_MIRROR = 2
};

/* The four characters "PICJ" in memory order, the other way a codec may name
 * JPEG input. */
#define PEGASUS_IMAGE_PICJ 0x4A434950u

/* The codec's own error codes, in the record's error field. */
enum {
    PEGASUS_ERROR_NONE = 0,
    PEGASUS_ERROR_RECORD = 1,   /* record size wrong, or a request unknown */
    PEGASUS_ERROR_NOT_JPEG = 2, /* input missing or not a JPEG image */
    PEGASUS_ERROR_OUTPUT = 3,   /* output bits and packing not supported */
    PEGASUS_ERROR_CAPACITY = 4, /* output missing, or not the image's size */
    PEGASUS_ERROR_DATA = 5,     /* damaged or truncated image data */
    PEGASUS_ERROR_SEQUENCE = 6, /* execute without initialise */
    PEGASUS_ERROR_MEMORY = 7    /* no memory for the decoder */
};

#pragma pack(push, 4)
typedef struct PegasusRecord {
    uint32_t size;    /* 0: PEGASUS_RECORD_SIZE, set by the caller */
    uint32_t request; /* 4: PEGASUS_REQUEST_* for Pegasus */
    uint32_t answer;  /* 8: PEGASUS_ANSWER_* of the last call */
    int32_t error;    /* 12: PEGASUS_ERROR_* with an error answer */
    union {
        const uint8_t* data;
        uint64_t slot;
    } input;                 /* 16: the compressed frame */
    uint32_t input_length;   /* 24: its length in bytes */
    uint32_t input_type;     /* 28: PEGASUS_IMAGE_*, from the query */
    uint32_t width;          /* 32: image width, from the query */
    uint32_t height;         /* 36: image height, from the query */
    uint32_t output_bits;    /* 40: 24 or 16 */
    uint32_t output_packing; /* 44: PEGASUS_PACKING_* */
    union {
        uint8_t* data;
        uint64_t slot;
    } output;                 /* 48: the destination image */
    uint32_t output_capacity; /* 56: its size in bytes */
    uint32_t output_length;   /* 60: bytes written by execute */
    union {
        void* state;
        uint64_t slot;
    } session;                   /* 64: the codec's, from initialise to terminate */
    uint32_t output_orientation; /* 72: PEGASUS_ORIENT_* bits, 0 as decoded */
    uint8_t reserved[2032];      /* 76: zero */
} PegasusRecord;
#pragma pack(pop)

#ifdef __cplusplus
#define PEGASUS_STATIC_ASSERT static_assert
#else
#define PEGASUS_STATIC_ASSERT _Static_assert
#endif
PEGASUS_STATIC_ASSERT(sizeof(PegasusRecord) == PEGASUS_RECORD_SIZE, "codec record size");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, request) == 4, "request offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, answer) == 8, "answer offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, error) == 12, "error offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, input) == 16, "input offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, input_length) == 24, "input length offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, input_type) == 28, "input type offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, width) == 32, "width offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output_bits) == 40, "output bits offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output_packing) == 44, "output packing offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output) == 48, "output offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output_capacity) == 56, "output capacity offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output_length) == 60, "output length offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, session) == 64, "session offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, output_orientation) == 72,
                      "output orientation offset");
PEGASUS_STATIC_ASSERT(offsetof(PegasusRecord, reserved) == 76, "reserved offset");
#undef PEGASUS_STATIC_ASSERT

/* Both entry points leave their argument for the caller to remove. */
typedef uint32_t (*PEGASUS_ENTRY)(PegasusRecord* record);
typedef uint32_t (*PEGASUS_QUERY_ENTRY)(PegasusRecord* record);

#ifdef __cplusplus
}
#endif

#endif
