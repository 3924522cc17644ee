#pragma once
// Formatted print and copy into fixed buffers that always end in a NUL: text that
// does not fit is cut, never overrun.
#include <cstddef>

// Prints into buf of size bytes. Returns the number of characters stored (without
// the NUL); when the output is cut or printing fails, the last byte becomes NUL.
int BoundedPrint(char* buf, std::size_t size, const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Copies at most size - 1 characters of src and terminates. Returns the count copied.
std::size_t BoundedCopy(char* dst, std::size_t size, const char* src);
