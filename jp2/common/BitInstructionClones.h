// Marks a hot integer function to be compiled twice: for the portable x86-64 baseline and
// for processors of the x86-64-v3 level (BMI2 shifts by any register, a one-cycle LZCNT),
// with the loader picking the copy the processor runs. The MQ decoder renormalises with a
// leading-zero count and two variable shifts on nearly every decision. Only for integer code,
// so that both copies compute the same results; elsewhere it expands to nothing. Not
// under ThreadSanitizer, whose runtime is not yet started when the loader runs the picker.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) && \
    !defined(__SANITIZE_THREAD__)
#define QUILLON_BIT_INSTRUCTION_CLONES gnu::target_clones("default", "arch=x86-64-v3")
#else
#define QUILLON_BIT_INSTRUCTION_CLONES
#endif
