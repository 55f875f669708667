#pragma once

#include <string>
#include <string_view>

namespace veldris {

// Replaces the file at `path` with `bytes` so that it is either the old file or the whole new
// one: the bytes go to a temporary file in the same folder, which is flushed to disk and
// renamed over `path`. On failure the temporary file is removed, `path` is untouched, the
// result is false and `error` (when given) says what failed.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

} // namespace veldris
