#pragma once
// The readers for the table of readers of what is read as one stream front to back: a tar, plain
// or gzip'd, told by its first header, and the one file a gzip stream holds.
#include <cstdint>
#include <memory>
#include <span>

#include "engine/reader.h"

namespace zip {

// By the first bytes: a tar's header (inside gzip, the whole first block must check out)...
bool IsTar(std::span<const std::uint8_t> head);
// ...or a gzip stream whose first inflated bytes start one.
bool IsGzipTar(std::span<const std::uint8_t> head);

std::unique_ptr<Reader> OpenTarReader(const os::File& archive, const os::Path& path, Observer& observer);
std::unique_ptr<Reader> OpenGzipTarReader(const os::File& archive, const os::Path& path, Observer& observer);
std::unique_ptr<Reader> OpenGzipReader(const os::File& archive, const os::Path& path, Observer& observer);

}  // namespace zip
