/* The scaler plug-in's interface: rescaling of uncompressed 24-bit RGB
 * images (bottom-up rows of B, G, R, not padded) from one size to another.
 *
 * A scaler handle is an opaque 32-bit value that KMXScaleHandleOpen stores
 * through the pointer it is given; every other call takes a pointer to the
 * same variable. Close sets the variable to 0; a closed, zero or unknown
 * handle is answered with KMXSCALE_ERROR_HANDLE. Every call answers
 * KMXSCALE_OK (0) or one of the errors below. Calls on one handle may come
 * from any thread; a handle scales one image at a time. */
#ifndef KMX512U_KMXSCALE_H
#define KMX512U_KMXSCALE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t KMXSCALE_HANDLE;

enum {
    KMXSCALE_OK = 0,
    KMXSCALE_ERROR_ARGUMENT = 1, /* a null pointer */
    KMXSCALE_ERROR_HANDLE = 2,   /* no open scaler under this handle */
    KMXSCALE_ERROR_SIZE = 3,     /* an image size of 0 or above 65535, or a
                                    buffer size other than the image's */
    KMXSCALE_ERROR_MEMORY = 4,
    KMXSCALE_ERROR_PARAMETER = 5 /* unknown parameter or value */
};

/* Parameters of KMXScaleSetParam and KMXScaleGetParam. */
enum {
    KMXSCALE_PARAM_FILTER = 1 /* one of KMXSCALE_FILTER_* */
};

enum {
    KMXSCALE_FILTER_NEAREST = 0,  /* point sampling: fastest, blocky */
    KMXSCALE_FILTER_LINEAR = 1,   /* horizontal interpolation only */
    KMXSCALE_FILTER_BILINEAR = 2, /* the default */
    KMXSCALE_FILTER_BOX = 3       /* area average: best for large reductions */
};

typedef uint32_t (*KMXSCALE_HANDLE_OPEN)(KMXSCALE_HANDLE* handle, uint32_t source_width,
                                         uint32_t source_height, uint32_t destination_width,
                                         uint32_t destination_height);
typedef uint32_t (*KMXSCALE_HANDLE_CLOSE)(KMXSCALE_HANDLE* handle);
/* Sizes are in bytes and must be exactly the images' (width * height * 3). */
typedef uint32_t (*KMXSCALE_PROCESS)(KMXSCALE_HANDLE* handle, const uint8_t* source,
                                     uint32_t source_size, uint8_t* destination,
                                     uint32_t destination_size);
typedef uint32_t (*KMXSCALE_SET_PARAM)(KMXSCALE_HANDLE* handle, uint32_t parameter, uint32_t value);
typedef uint32_t (*KMXSCALE_GET_PARAM)(KMXSCALE_HANDLE* handle, uint32_t parameter,
                                       uint32_t* value);

#ifdef __cplusplus
}
#endif

#endif
