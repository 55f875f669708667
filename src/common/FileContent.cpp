#include "common/FileContent.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldris {

FileContent::FileContent(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problem_ = std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        void* view = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (view != MAP_FAILED) {
            mapped = static_cast<const char*>(view);
            mappedSize = static_cast<std::size_t>(info.st_size);
        }
    }
    if (!mapped)
        readAll(fd);
    ::close(fd);
}

FileContent::~FileContent()
{
    if (mapped)
        ::munmap(const_cast<char*>(mapped), mappedSize);
}

void FileContent::readAll(int fd)
{
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem_ = std::strerror(errno);
            read_.clear();
            return;
        }
        if (got == 0)
            return;
        read_.append(block, static_cast<std::size_t>(got));
    }
}

} // namespace veldris
