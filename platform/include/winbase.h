/* The base services. */
#ifndef KMXWIN_WINBASE_H
#define KMXWIN_WINBASE_H

#include <minwinbase.h>
#include <winerror.h>
#include <errhandlingapi.h>
#include <handleapi.h>
#include <synchapi.h>
#include <processthreadsapi.h>
#include <sysinfoapi.h>
#include <libloaderapi.h>
#include <fileapi.h>
#include <ioapiset.h>

#endif
