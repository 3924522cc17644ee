#include "BoundedText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int BoundedPrint(char* buf, std::size_t size, const char* format, ...) {
    if (buf == nullptr || size == 0) {
        return 0;
    }
    if (format == nullptr) {
        buf[0] = '\0';
        return 0;
    }
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buf, size, format, args);
    va_end(args);
    if (n < 0) {
        buf[size - 1] = '\0';
        buf[0] = '\0';
        return 0;
    }
    if (static_cast<std::size_t>(n) >= size) {
        buf[size - 1] = '\0';
        return static_cast<int>(size - 1);
    }
    return n;
}

std::size_t BoundedCopy(char* dst, std::size_t size, const char* src) {
    if (dst == nullptr || size == 0) {
        return 0;
    }
    std::size_t n = 0;
    if (src != nullptr) {
        while (n + 1 < size && src[n] != '\0') {
            ++n;
        }
        std::memcpy(dst, src, n);
    }
    dst[n] = '\0';
    return n;
}
