#pragma once
// The readers for the table of readers of what is read as one stream front to back: a tar, plain
// or gzip'd, told by its first header, and the one file a gzip stream holds.
#include <cstdint>
#include <memory>
#include <span>

#include "engine/codec/stream_decoder.h"
#include "engine/reader.h"

namespace zip {

// By the first bytes: a tar's header (inside gzip, the whole first block must check out)...
bool IsTar(std::span<const std::uint8_t> head);
// ...or a gzip stream whose first inflated bytes start one.
bool IsGzipTar(std::span<const std::uint8_t> head);

// A tar inside an xz, bzip2, zstd or lzma stream, by what the file's first bytes decode to.
bool IsXzTar(const os::File& archive);
bool IsBzip2Tar(const os::File& archive);
bool IsZstdTar(const os::File& archive);
bool IsLzmaTar(const os::File& archive);

std::unique_ptr<Reader> OpenTarReader(const os::File& archive, const os::Path& path, Observer& observer);
std::unique_ptr<Reader> OpenGzipTarReader(const os::File& archive, const os::Path& path, Observer& observer);
std::unique_ptr<Reader> OpenGzipReader(const os::File& archive, const os::Path& path, Observer& observer);

// A tar, or the one file, a compressed stream of the decoder's format holds.
using MakeDecoder = std::unique_ptr<StreamDecoder> (*)();
std::unique_ptr<Reader> OpenCompressedReader(const os::File& archive, const os::Path& path, Observer& observer,
                                             MakeDecoder decoder, bool tar);
template <MakeDecoder Decoder, bool Tar>
std::unique_ptr<Reader> OpenCompressed(const os::File& archive, const os::Path& path, Observer& observer) {
  return OpenCompressedReader(archive, path, observer, Decoder, Tar);
}

}  // namespace zip
