#pragma once
// A tar's bytes (or a lone file's) decoded from an xz, bzip2, zstd or lzma file: member after
// member, each one's checks passed at its end; after the last, nothing but zeros.
#include <memory>
#include <span>
#include <string>

#include "engine/codec/stream_decoder.h"
#include "engine/codec/stream.h"

namespace zip {

class DecodedStream final : public Stream {
 public:
  DecodedStream(const os::File& file, std::unique_ptr<StreamDecoder> decoder);
  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  // To the last member's end, so that its checks are made.
  Error Finish() override;

 private:
  // Keeps what is left of the input at the buffer's start and reads after it.
  Error Refill();
  Error NextMember();
  Error Damaged(const std::string& what) const;

  const os::File& file_;
  std::unique_ptr<StreamDecoder> decoder_;
  std::uint64_t fileOffset_ = 0;
  Bytes input_ = Bytes(std::size_t{256} * 1024);
  Bytes scratch_ = Bytes(std::size_t{256} * 1024);
  std::span<const std::uint8_t> pending_;
  bool ended_ = false;  // the last member's end read, and nothing but zeros after it
};

}  // namespace zip
