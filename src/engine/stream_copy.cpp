#include "engine/stream_copy.h"

#include <algorithm>

namespace zip {
namespace {

// `size` bytes from the stream into the file at `at`.
Error CopyStretch(Stream& stream, const Entry& entry, const os::File& out, std::uint64_t at, std::uint64_t size,
                  EntryBuffers& buffers, const Progress& progress) {
  for (std::uint64_t written = 0; written < size;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, buffers.output.size()));
    std::size_t got = 0;
    if (Error error = stream.Read(buffers.output.data(), want, got)) return error;
    if (got != want) return Error{Failure::Damaged, {}, entry.name, "the archive ends early"};
    if (Error error = out.WriteAt(at + written, buffers.output.data(), got)) return error;
    written += got;
    if (!progress(got)) return Error{Failure::Cancelled, {}, {}, {}};
  }
  return {};
}

}  // namespace

Error CopyFromStream(Stream& stream, const Entry& entry, const os::File& out, EntryBuffers& buffers,
                     const Progress& progress) {
  if (entry.dataOffset < stream.position()) return Error{Failure::Damaged, {}, entry.name, "its data comes too early"};
  if (Error error = stream.Skip(entry.dataOffset - stream.position())) return error;
  if (!entry.sparse) return CopyStretch(stream, entry, out, 0, entry.size, buffers, progress);
  std::uint64_t end = 0;  // of what is made so far
  const auto hole = [&](std::uint64_t to) { return to == end || progress(to - end); };
  for (const Extent& extent : entry.extents) {
    if (!hole(extent.offset)) return Error{Failure::Cancelled, {}, {}, {}};
    if (Error error = CopyStretch(stream, entry, out, extent.offset, extent.size, buffers, progress)) return error;
    end = extent.offset + extent.size;
  }
  if (end == entry.size) return {};
  if (Error error = out.Truncate(entry.size)) return error;
  return hole(entry.size) ? Error{} : Error{Failure::Cancelled, {}, {}, {}};
}

}  // namespace zip
