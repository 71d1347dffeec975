#include "ui/processor_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace kmx::ui {

bool ProcessorHasMmx() {
#if defined(__i386__) || defined(__x86_64__)
    // Feature leaf 1, EDX bit 23.
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & bit_MMX) != 0;
#else
    return false;
#endif
}

}  // namespace kmx::ui
