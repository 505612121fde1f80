#include "engine/codec/decoded_stream.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zip {

DecodedStream::DecodedStream(const os::File& file, std::unique_ptr<StreamDecoder> decoder)
    : file_(file), decoder_(std::move(decoder)) {}

Error DecodedStream::Damaged(const std::string& what) const {
  return Error{Failure::Damaged, {}, {}, std::string("its ") + decoder_->Name() + " stream " + what};
}

Error DecodedStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  got = 0;
  std::span<std::uint8_t> out(data, size);
  while (!out.empty() && !ended_) {
    bool ended = false;
    const std::size_t before = out.size();
    const std::size_t held = pending_.size();
    if (Error error = decoder_->Decode(pending_, out, ended)) return error;
    got += before - out.size();
    if (ended) {
      if (Error error = NextMember()) return error;
    } else if (out.size() == before && pending_.size() == held) {  // it wants more input
      const std::size_t had = pending_.size();
      if (Error error = Refill()) return error;
      if (pending_.size() > had) continue;
      if (had == 0 && decoder_->Finished()) {
        ended_ = true;
      } else {
        return Damaged("ends early");
      }
    }
  }
  position_ += got;
  return {};
}

Error DecodedStream::Refill() {
  if (Error error = CheckCancelled()) return error;
  if (!pending_.empty()) std::memmove(input_.data(), pending_.data(), pending_.size());
  std::size_t read = 0;
  if (Error error = file_.ReadAt(fileOffset_, input_.data() + pending_.size(), input_.size() - pending_.size(), read)) {
    return error;
  }
  fileOffset_ += read;
  pending_ = std::span<const std::uint8_t>(input_.data(), pending_.size() + read);
  return {};
}

// Another member follows (its magic may be cut by the window's end), or only zeros, which tape
// blocking adds, up to the file's end. Anything else may be a member whose header is damaged.
Error DecodedStream::NextMember() {
  if (pending_.size() < decoder_->MagicSize()) {
    if (Error error = Refill()) return error;
  }
  if (decoder_->StartsMember(pending_)) return decoder_->Restart();
  while (!pending_.empty()) {
    if (std::any_of(pending_.begin(), pending_.end(), [](std::uint8_t b) { return b != 0; })) {
      return Damaged(std::string("is followed by bytes that are not ") + decoder_->Name());
    }
    pending_ = {};
    if (Error error = Refill()) return error;
  }
  ended_ = true;
  return {};
}

Error DecodedStream::Skip(std::uint64_t size) { return SkipByReading(size, scratch_); }

Error DecodedStream::Finish() {
  for (std::size_t got = scratch_.size(); got > 0;) {
    if (Error error = Read(scratch_.data(), scratch_.size(), got)) return error;
  }
  return {};
}

std::size_t DecodeHead(StreamDecoder& decoder, std::span<const std::uint8_t> head, std::span<std::uint8_t> out) {
  const std::size_t size = out.size();
  while (!out.empty() && !head.empty()) {
    bool ended = false;
    const std::size_t held = head.size();
    const std::size_t room = out.size();
    if (decoder.Decode(head, out, ended)) break;
    // A member may end before the blocks do (an empty one first): the next one goes on with them.
    if (ended && (!decoder.StartsMember(head) || decoder.Restart())) break;
    if (!ended && head.size() == held && out.size() == room) break;
  }
  return size - out.size();
}

Error WindowTooLarge(std::uint64_t bytes) {
  const std::uint64_t mib = (bytes + (std::uint64_t{1} << 20) - 1) >> 20;
  const std::string needs = "it needs " + std::to_string(mib) + " MiB of memory to decode, more than ";
  if (sizeof(void*) == 4) {
    return Error{Failure::TooLarge, {}, {}, needs + "a 32-bit program can have; the 64-bit Spillet opens it"};
  }
  return Error{Failure::TooLarge, {}, {}, needs + "Spillet takes"};
}

}  // namespace zip
