#include "engine/zip/inflate_entry.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "engine/codec/ppmd_decoder.h"
#include "engine/codec/stream_decoder.h"
#include "engine/zip/local_header.h"

namespace zip {
namespace {

Error Damaged(const Entry& entry, const std::string& detail) { return Error{Failure::Damaged, {}, entry.name, detail}; }

// A decoder's own refusal, said of the entry.
Error Named(const Entry& entry, Error error) {
  error.entry = entry.name;
  return error;
}

// The methods whose data is a stream these decoders read as they do in a file of its own.
std::unique_ptr<StreamDecoder> MakeDecoder(const Entry& entry) {
  switch (entry.zipFields.method) {
    case kBzip2: return MakeBzip2Decoder();
    case kLzma: return MakeZipLzmaDecoder(entry.size);
    case kZstd: return MakeZstdDecoder();
    case kXz: return MakeXzDecoder();
    default: return nullptr;
  }
}

// Output written to the target file, checked against the declared size as it comes.
class Sink {
 public:
  Sink(const Entry& entry, const os::File* target, const std::function<bool(std::uint64_t)>& progress)
      : entry_(entry), target_(target), progress_(progress) {}

  Error Put(const std::uint8_t* data, std::size_t size) {
    if (size > entry_.size - written_) {
      return Error{Failure::TooLarge, {}, entry_.name, "it inflates past its declared size"};
    }
    if (target_ != nullptr) {
      if (Error error = target_->WriteAt(written_, data, size)) return error;
    }
    crc_ = static_cast<std::uint32_t>(::crc32_z(crc_, data, size));
    written_ += size;
    if (!progress_(size)) return Error{Failure::Cancelled, {}, {}, {}};
    return {};
  }

  bool Full() const { return written_ == entry_.size; }

  Error Check() const {
    if (written_ != entry_.size) return Damaged(entry_, "its data ends early");
    if (!IsEncrypted(entry_)) {
      if (crc_ != entry_.crc) return Damaged(entry_, "its CRC-32 does not match");
    } else if (entry_.zipFields.aesStrength == 0 || entry_.zipFields.aesCrc) {
      if (crc_ != entry_.crc) return Damaged(entry_, "its CRC-32 does not match: a wrong password or damaged data");
    }
    return {};
  }

 private:
  const Entry& entry_;
  const os::File* target_;
  const std::function<bool(std::uint64_t)>& progress_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
};

}  // namespace

Error InflateEntry(const os::File& archive, const Entry& entry, const os::File* target, EntryBuffers& buffers,
                   const Secret& key, const std::function<bool(std::uint64_t)>& progress) {
  Opened opened;
  if (IsEncrypted(entry)) {
    if (Error error = OpenDecryption(archive, entry, key, opened)) return error;
  }
  Sink sink(entry, target, progress);
  std::uint64_t offset = entry.dataOffset + opened.header;
  std::uint64_t remaining = entry.compressedSize - opened.header - opened.trailer;
  const auto read = [&](std::span<const std::uint8_t>& input) -> Error {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffers.input.size(), remaining));
    std::size_t got = 0;
    if (Error error = archive.ReadAt(offset, buffers.input.data(), want, got)) return error;
    if (got != want) return Damaged(entry, "the archive ends early");
    offset += got;
    remaining -= got;
    if (opened.decryption && !opened.decryption->Apply({buffers.input.data(), got})) {
      return Error{Failure::Io, {}, entry.name, "the system's cryptography failed"};
    }
    input = std::span<const std::uint8_t>(buffers.input.data(), got);
    return {};
  };
  // The MAC covers all the encrypted data, also any a stream's end leaves unread.
  const auto finish = [&]() -> Error {
    if (!opened.decryption) return sink.Check();
    for (std::span<const std::uint8_t> rest; remaining > 0;) {
      if (Error error = read(rest)) return error;
    }
    std::array<std::uint8_t, 16> trailer{};
    const auto size = static_cast<std::size_t>(opened.trailer);
    std::size_t got = 0;
    if (Error error = archive.ReadAt(offset, trailer.data(), size, got)) return error;
    if (got != size) return Damaged(entry, "the archive ends early");
    if (!opened.decryption->Authentic({trailer.data(), size})) {
      return Damaged(entry, "its authentication code does not match: a wrong password or damaged data");
    }
    return sink.Check();
  };

  std::span<const std::uint8_t> input;
  if (entry.zipFields.method == kStored) {
    while (remaining > 0) {
      if (Error error = read(input)) return error;
      if (Error error = sink.Put(input.data(), input.size())) return error;
    }
    return finish();
  }
  if (entry.zipFields.method == kDeflate64) {
    Error stopped;
    const Inflater64::Status status = buffers.inflater64.Run(
        [&](std::span<const std::uint8_t>& next) {
          next = {};
          if (remaining > 0) stopped = read(next);
          return !stopped;
        },
        [&](std::span<const std::uint8_t> out) {
          stopped = sink.Put(out.data(), out.size());
          return !stopped;
        });
    if (status == Inflater64::Status::Stopped) return stopped;
    if (status == Inflater64::Status::Damaged) return Damaged(entry, "its Deflate64 data is damaged");
    if (status == Inflater64::Status::EndsEarly) return Damaged(entry, "its Deflate64 data ends early");
    return finish();
  }
  if (entry.zipFields.method == kPpmd) {
    Error stopped;
    const Error error = DecodePpmd(
        entry.size,
        [&](std::span<const std::uint8_t>& next) {
          next = {};
          if (remaining > 0) stopped = read(next);
          return stopped;
        },
        buffers.output,
        [&](std::span<const std::uint8_t> out) {
          stopped = sink.Put(out.data(), out.size());
          return stopped;
        });
    if (stopped) return stopped;
    if (error) return Named(entry, error);
    return finish();
  }
  if (const std::unique_ptr<StreamDecoder> decoder = MakeDecoder(entry)) {
    for (;;) {
      if (input.empty() && remaining > 0) {
        if (Error error = read(input)) return error;
      }
      const std::size_t held = input.size();
      std::span<std::uint8_t> out(buffers.output);
      bool ended = false;
      if (Error error = decoder->Decode(input, out, ended)) return Named(entry, error);
      const std::size_t produced = buffers.output.size() - out.size();
      if (Error error = sink.Put(buffers.output.data(), produced)) return error;
      if (ended) {
        // Another stream may follow, as concatenating tools leave them; past the size, nothing is read.
        if (sink.Full() || (input.empty() && remaining == 0)) break;
        if (Error error = decoder->Restart()) return Named(entry, error);
      } else if (produced == 0 && input.size() == held) {
        if (!input.empty()) return Damaged(entry, std::string("its ") + decoder->Name() + " stream is damaged");
        if (decoder->Finished()) break;
        return Damaged(entry, std::string("its ") + decoder->Name() + " stream ends early");
      }
    }
    return finish();
  }
  buffers.inflater.Reset();
  for (;;) {
    if (input.empty() && remaining > 0) {
      if (Error error = read(input)) return error;
    }
    std::size_t produced = 0;
    const Inflater::Status status = buffers.inflater.Run(input, buffers.output, produced);
    if (Error error = sink.Put(buffers.output.data(), produced)) return error;
    if (status == Inflater::Status::End) break;
    if (status == Inflater::Status::Damaged) return Damaged(entry, "its deflate data is damaged");
    if (input.empty() && remaining == 0 && produced == 0) return Damaged(entry, "its deflate data ends early");
  }
  return finish();
}

}  // namespace zip
