// What the processor offers, as its CPUID instruction reports it.
#pragma once

namespace kmx::ui {

// Whether the processor reports the MMX instructions; false where there is
// no CPUID instruction to ask.
bool ProcessorHasMmx();

}  // namespace kmx::ui
