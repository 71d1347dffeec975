/* Where installable drivers are registered: Windows' own registry paths, for
 * the platform's driver services (mmsystem.h, vfw.h) and the tools that
 * install drivers. Below HKEY_LOCAL_MACHINE, the key KMXWIN_DRIVERS_KEY has
 * one sub-key per section; in the section "Drivers32" each value names a
 * driver (an alias such as "msvideo") and holds its module file name,
 * optionally followed by a space and configuration text; in "drivers.desc"
 * each value is named by a module file name and holds its description.
 * This is not a Windows header. */
#ifndef KMXWIN_DRIVER_REGISTRY_H
#define KMXWIN_DRIVER_REGISTRY_H

#define KMXWIN_DRIVERS_KEY "Software\\Microsoft\\Windows NT\\CurrentVersion"
#define KMXWIN_DRIVERS32_SECTION "Drivers32"
#define KMXWIN_DRIVER_DESCRIPTIONS_SECTION "drivers.desc"

/* The capture drivers' aliases: "msvideo", then "msvideo1" to "msvideo9". */
#define KMXWIN_CAPTURE_DRIVER_ALIAS "msvideo"
#define KMXWIN_CAPTURE_DRIVER_SLOTS 10

#endif
