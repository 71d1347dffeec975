/* How the library marks its exports. Programs include it through the
 * interface headers; the library's own build defines KMX512U_BUILD. */
#ifndef KMX512U_EXPORT_H
#define KMX512U_EXPORT_H

#if defined(KMX512U_BUILD) && defined(_WIN32)
#define KMX512U_API __declspec(dllexport)
#elif defined(KMX512U_BUILD)
#define KMX512U_API __attribute__((visibility("default")))
#elif defined(_WIN32)
#define KMX512U_API __declspec(dllimport)
#else
#define KMX512U_API
#endif

#endif
