#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veldris {

// The whole content of a file, read-only. A regular file is mapped into memory with its pages
// brought in at once: a firmware image of megabytes is neither copied nor zero-filled first.
// Anything else (a pipe, /dev/stdin) is read block by block until its end.
class FileContent {
public:
    explicit FileContent(const std::string& path);
    ~FileContent();
    FileContent(const FileContent&) = delete;
    FileContent& operator=(const FileContent&) = delete;

    bool ok() const { return problem_.empty(); }
    // The system's reason when not ok, e.g. "No such file or directory".
    const std::string& problem() const { return problem_; }
    std::string_view bytes() const { return mapped ? std::string_view(mapped, mappedSize) : std::string_view(read_); }

private:
    void readAll(int fd);

    const char* mapped = nullptr;
    std::size_t mappedSize = 0;
    std::string read_;
    std::string problem_;
};

} // namespace veldris
