// Log-file writers on Windows. The exclusive writer rule is the file's share
// mode: a writer shares the file for reading only, so while it holds the file
// every other open for writing (another writer, or any other program) fails,
// and readers, who share reading and writing, still get in.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "Platform.h"

static_assert(sizeof(HANDLE) == sizeof(Platform::FileHandle), "a file handle fits the platform's handle type");

namespace Platform {

namespace {
HANDLE AsHandle(FileHandle file) noexcept { return reinterpret_cast<HANDLE>(file); }
}  // namespace

FileHandle OpenLogWriter(const char* path, bool truncate) {
    if (path == nullptr || *path == '\0') {
        return kNoFile;
    }
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool AppendLogBytes(FileHandle file, const void* data, std::size_t size) {
    if (file == kNoFile) {
        return false;
    }
    const HANDLE handle = AsHandle(file);
    SetLastError(NO_ERROR);
    if (SetFilePointer(handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, p, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

void CloseLogWriter(FileHandle file) noexcept {
    if (file != kNoFile) {
        CloseHandle(AsHandle(file));
    }
}

long long FileSizeOf(const char* path) {
    if (path == nullptr || *path == '\0') {
        return -1;
    }
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    const bool failed = low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR;
    CloseHandle(file);
    return failed ? -1 : static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
}

}  // namespace Platform
