/* The transform plug-in's interface: a module named in the machine's camera
 * settings that the frame pipeline hands every finished client frame, to
 * change in place.
 *
 * The pipeline calls Initialise once when it sets up, with the greeting
 * "BRELIX"; it keeps the plug-in only if the answer is
 * KMXTRANSFORM_ACCEPTED. Transform follows for every frame, with the
 * client's format and the frame buffer, and Terminate once when the
 * pipeline is torn down. The results of Transform and Terminate are not
 * looked at. All three leave their arguments for the caller to remove. */
#ifndef KMX512U_KMXTRANSFORM_H
#define KMX512U_KMXTRANSFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KMXTRANSFORM_GREETING "BRELIX"
/* The letters "ZEPT" in memory order. */
#define KMXTRANSFORM_ACCEPTED 0x5450455Au

/* The frame's format: compression 0 (RGB, bottom-up rows), "YUY2" or
 * "UYVY" (top-down rows), bits per pixel, and the size in pixels. */
typedef struct KMXTransformFormat {
    uint32_t compression;
    uint32_t bits;
    uint32_t width;
    uint32_t height;
} KMXTransformFormat;

#ifdef __cplusplus
static_assert(sizeof(KMXTransformFormat) == 16, "transform format size");
static_assert(offsetof(KMXTransformFormat, height) == 12, "transform format height offset");
#else
_Static_assert(sizeof(KMXTransformFormat) == 16, "transform format size");
_Static_assert(offsetof(KMXTransformFormat, height) == 12, "transform format height offset");
#endif

typedef uint32_t (*KMXTRANSFORM_INITIALISE)(const char* greeting);
typedef uint32_t (*KMXTRANSFORM_TRANSFORM)(const KMXTransformFormat* format, uint32_t size,
                                           uint8_t* frame);
typedef void (*KMXTRANSFORM_TERMINATE)(void);

#ifdef __cplusplus
}
#endif

#endif
