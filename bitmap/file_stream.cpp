// SPDX-License-Identifier: MIT
#include "file_stream.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include "wide_names.h"

#include <io.h>
#include <wchar.h>
#else
#include <unistd.h>
#endif

std::FILE* openFile(const char* path, const char* mode)
{
#ifdef _WIN32
    return _wfopen(utf8ToUtf16(path).c_str(), utf8ToUtf16(mode).c_str());
#else
    return std::fopen(path, mode);
#endif
}

int removeFile(const char* path)
{
#ifdef _WIN32
    return _wremove(utf8ToUtf16(path).c_str());
#else
    return std::remove(path);
#endif
}

std::int64_t regularFileSize(std::FILE* file)
{
#ifdef _WIN32
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)
        return -1;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
        return -1;
#endif
    return static_cast<std::int64_t>(status.st_size);
}

std::int64_t streamPosition(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

std::int64_t farthestOffset()
{
#ifdef _WIN32
    return std::numeric_limits<std::int64_t>::max();
#else
    return static_cast<std::int64_t>(std::numeric_limits<off_t>::max());
#endif
}

std::size_t readAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
#ifdef _WIN32
    const int fd = _fileno(file);
    if (_lseeki64(fd, offset, SEEK_SET) != offset)
        return 0;
    while (done < size) {
        const auto piece = static_cast<unsigned>(std::min<std::size_t>(size - done, 1u << 30));
        const int got = _read(fd, bytes + done, piece);
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
#else
    const int fd = fileno(file);
    while (done < size) {
        const std::size_t piece = std::min<std::size_t>(size - done, std::size_t{1} << 30);
        const ssize_t got = pread(fd, bytes + done, piece, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
#endif
    return done;
}
