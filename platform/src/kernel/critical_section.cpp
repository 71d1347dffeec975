// Critical sections: recursive locks of one process. The CRITICAL_SECTION
// record keeps the Windows layout; the lock itself is a recursive pthread
// mutex that InitializeCriticalSection allocates and DebugInfo points to, so
// that the sanitizers understand it. OwningThread and RecursionCount are kept
// as on Windows for debugging.
#include "kernel/dispatcher.h"

#include <pthread.h>

namespace {

pthread_mutex_t* LockOf(LPCRITICAL_SECTION section) {
    return section ? reinterpret_cast<pthread_mutex_t*>(section->DebugInfo) : nullptr;
}

void Entered(LPCRITICAL_SECTION section) {
    section->OwningThread = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
    ++section->RecursionCount;
}

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection) return;
    auto* lock = new pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(lock, &attributes);
    pthread_mutexattr_destroy(&attributes);
    *lpCriticalSection = RTL_CRITICAL_SECTION{};
    lpCriticalSection->DebugInfo = reinterpret_cast<PRTL_CRITICAL_SECTION_DEBUG>(lock);
    lpCriticalSection->LockCount = -1;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    kmxwin::TerminationPoint();
    if (pthread_mutex_t* lock = LockOf(lpCriticalSection)) {
        pthread_mutex_lock(lock);
        Entered(lpCriticalSection);
    }
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    kmxwin::TerminationPoint();
    pthread_mutex_t* lock = LockOf(lpCriticalSection);
    if (!lock || pthread_mutex_trylock(lock) != 0) return FALSE;
    Entered(lpCriticalSection);
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    pthread_mutex_t* lock = LockOf(lpCriticalSection);
    if (!lock || lpCriticalSection->OwningThread !=
                     reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId())))
        return;  // not the owner: leaving would corrupt the lock
    if (--lpCriticalSection->RecursionCount == 0) lpCriticalSection->OwningThread = nullptr;
    pthread_mutex_unlock(lock);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    pthread_mutex_t* lock = LockOf(lpCriticalSection);
    if (!lock) return;
    pthread_mutex_destroy(lock);
    delete lock;
    lpCriticalSection->DebugInfo = nullptr;
}

}  // extern "C"
