// The process's key handles: HKEY values, the predefined keys and the hives
// behind them, and the rights a handle is given.
//
// An HKEY of an opened key is a multiple of 4 with bit 30 set, below 2^31,
// which keeps it apart from kernel handles (small numbers) and from the
// predefined keys (0x8000000x). It carries a slot of the table and a
// generation, so that a closed handle fails with ERROR_INVALID_HANDLE even
// after its slot has been used again; slots are reused oldest first.
#pragma once

#include <windows.h>

#include <memory>

#include "registry/hive.h"

namespace kmxwin::registry {

bool IsPredefinedKey(HKEY key);

// Enters OBJECT into the table; nullptr when the table is full.
HKEY InsertKey(std::shared_ptr<KeyObject> object);

// The object behind KEY (a predefined key or an open handle) if it was
// opened with every right in NEEDED. ERROR_INVALID_HANDLE or
// ERROR_ACCESS_DENIED otherwise.
DWORD ReferenceKey(HKEY key, ACCESS_MASK needed, std::shared_ptr<KeyObject>* object);

// Takes KEY out of the table; nullptr when it is not an open handle (the
// predefined keys are never in the table).
std::shared_ptr<KeyObject> RemoveKey(HKEY key);

// The rights a new handle on HIVE gets for DESIRED (generic rights mapped,
// MAXIMUM_ALLOWED resolved); ERROR_ACCESS_DENIED when DESIRED asks to write
// a hive that the process may not write.
DWORD GrantAccess(Hive& hive, REGSAM desired, ACCESS_MASK* granted);

}  // namespace kmxwin::registry
