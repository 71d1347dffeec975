/* The MJPG video codec, kmxmjpg.dll: an installable driver that the video
 * compression manager finds under the Drivers32 alias "vidc.MJPG" and that
 * decompresses the camera's "MJPG" frames into 24- or 32-bit RGB DIBs
 * (BI_RGB, rows padded to 4 bytes; bottom-up for a positive height,
 * top-down for a negative one). It answers ICM_GETINFO,
 * ICM_DECOMPRESS_QUERY, ICM_DECOMPRESS_GET_FORMAT (24-bit RGB by default),
 * ICM_DECOMPRESS_BEGIN, ICM_DECOMPRESS and ICM_DECOMPRESS_END; it compresses
 * nothing and refuses to be opened for compressing or drawing.
 *
 * ICM_DECOMPRESS takes the frame's length from the input format's
 * biSizeImage. Its answers: ICERR_OK; ICERR_BADPARAM for a record of
 * another size or without data; ICERR_BADFORMAT for formats the codec does
 * not take; ICERR_ERROR before ICM_DECOMPRESS_BEGIN; ICERR_BADSIZE for a
 * frame length of 0 or an output image smaller than the picture;
 * ICERR_BADIMAGESIZE for a frame of another size than its format; ICERR_ERROR
 * for data that is no JPEG image or is damaged or truncated; ICERR_MEMORY. */
#ifndef KMX512U_KMXMJPG_H
#define KMX512U_KMXMJPG_H

/* What the codec's installation writes under Drivers32 and drivers.desc. */
#define KMXMJPG_CODEC_ALIAS "vidc.MJPG"
#define KMXMJPG_CODEC_MODULE "kmxmjpg.dll"
#define KMXMJPG_CODEC_DESCRIPTION "USB Camera (KMX512) MJPG Decompressor"

#endif
