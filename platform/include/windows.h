/* The master include file of the Windows services that the platform layer
 * provides on POSIX. */
#ifndef KMXWIN_WINDOWS_H
#define KMXWIN_WINDOWS_H

#include <windef.h>
#include <winbase.h>
#include <winnls.h>
#include <wingdi.h>
#include <winuser.h>
#include <winioctl.h>
#include <winreg.h>
#include <mmsystem.h>

#endif
