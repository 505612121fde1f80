#pragma once
// The compressed streams a tar or a lone file comes in (xz, bzip2, zstd, lzma), each behind one
// small interface so that one reader (DecodedStream) fetches the input, finds the members one
// after another and checks what follows the last.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "engine/codec/stream.h"
#include "engine/engine.h"

namespace zip {

class StreamDecoder {
 public:
  virtual ~StreamDecoder() = default;
  // Decodes from the front of `in` into the front of `out`, taking off both what it used and
  // made; `ended` is set when a member (a stream, a frame) has ended with its checks passed.
  virtual Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) = 0;
  // How many first bytes tell whether another member starts there.
  virtual std::size_t MagicSize() const = 0;
  virtual bool StartsMember(std::span<const std::uint8_t> head) const = 0;
  // Makes ready for the next member.
  virtual Error Restart() = 0;
  // Whether the input may end here, for a format that reads its members' boundaries itself.
  virtual bool Finished() const { return false; }
  // The format's name in messages: "xz", "bzip2"…
  virtual const char* Name() const = 0;
};

// Each format's decoder, and whether a file's first bytes start a stream of it.
std::unique_ptr<StreamDecoder> MakeXzDecoder();
// A whole xz file on all cores: blocks whose headers give their sizes (as xz -T writes them)
// decode side by side; read ahead of its reader on a thread of its own.
std::unique_ptr<Stream> OpenXzStream(const os::File& file, std::function<bool()> cancelled);
bool StartsXz(std::span<const std::uint8_t> head);
std::unique_ptr<StreamDecoder> MakeBzip2Decoder();
bool StartsBzip2(std::span<const std::uint8_t> head);
std::unique_ptr<StreamDecoder> MakeZstdDecoder();
bool StartsZstd(std::span<const std::uint8_t> head);
std::unique_ptr<StreamDecoder> MakeLzmaDecoder();
bool StartsLzma(std::span<const std::uint8_t> head);
// A zip entry's LZMA: its own header, and the entry's size.
std::unique_ptr<StreamDecoder> MakeZipLzmaDecoder(std::uint64_t size);

// What the decoder makes of an archive's first bytes, as much as `out` holds or they give; for
// telling a tar inside it.
std::size_t DecodeHead(StreamDecoder& decoder, std::span<const std::uint8_t> head, std::span<std::uint8_t> out);

// The most a decoder's window (a dictionary, a zstd window) may take in this program: a 32-bit
// program has 2 GiB of address space in all, and needs some of it for everything else; a 64-bit
// one takes what 7-Zip's and zstd's own limits allow, short of a header's 4 GiB that no writer's
// setting reaches.
inline constexpr std::uint64_t kMaxWindow =
    sizeof(void*) == 4 ? std::uint64_t{1} << 29 : std::uint64_t{3} << 30;

// The refusal for a window past kMaxWindow: how much it needs, and which program opens it.
Error WindowTooLarge(std::uint64_t bytes);

}  // namespace zip
