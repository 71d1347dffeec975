/* I/O control requests to devices.
 *
 * A device interface path (from SetupDiGetDeviceInterfaceDetailA), followed
 * by a suffix of the driver's choosing, opens a connection to the driver
 * service that registered the interface. DeviceIoControl sends the request
 * to the service and the reply comes back into the caller's output buffer:
 * - Without an OVERLAPPED (on a handle opened without FILE_FLAG_OVERLAPPED)
 *   the call returns when the driver has completed the request.
 * - With an OVERLAPPED the call returns FALSE with ERROR_IO_PENDING; Internal
 *   is STATUS_PENDING until the driver completes the request, then the
 *   completion status, with InternalHigh the byte count, the output copied
 *   into the caller's buffer and hEvent set (hEvent is reset when the
 *   request starts). A handle opened without FILE_FLAG_OVERLAPPED also takes
 *   an OVERLAPPED this way. The caller's buffers and OVERLAPPED must stay
 *   valid until the request completes or is cancelled.
 * - When the connection is lost (the service ends, the device goes away)
 *   every pending request completes with ERROR_DEVICE_NOT_CONNECTED and
 *   every later request on the handle fails with it.
 * - CancelIo completes the calling thread's pending requests on the handle
 *   at once with ERROR_OPERATION_ABORTED; a late reply from the driver is
 *   dropped and never touches the caller's buffers.
 * - CancelIoEx does the same for the request of lpOverlapped, whichever
 *   thread started it (every request on the handle when lpOverlapped is
 *   NULL); with no such request pending it fails with ERROR_NOT_FOUND.
 * The file handle itself is not waitable here: wait on hEvent, or use
 * GetOverlappedResult. */
#ifndef KMXWIN_IOAPISET_H
#define KMXWIN_IOAPISET_H

#include <minwinbase.h>

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                                       DWORD nInBufferSize, LPVOID lpOutBuffer,
                                       DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                                       LPOVERLAPPED lpOverlapped);
WINBASEAPI BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                                           LPDWORD lpNumberOfBytesTransferred, BOOL bWait);
WINBASEAPI BOOL WINAPI CancelIo(HANDLE hFile);
WINBASEAPI BOOL WINAPI CancelIoEx(HANDLE hFile, LPOVERLAPPED lpOverlapped);

#ifdef __cplusplus
}
#endif
#endif
