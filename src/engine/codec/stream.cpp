#include "engine/codec/stream.h"

namespace zip {

Error FileStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  if (Error error = CheckCancelled()) return error;
  if (Error error = file_.ReadAt(position_, data, size, got)) return error;
  position_ += got;
  return {};
}

Error FileStream::Skip(std::uint64_t size) {
  if (!fileSize_) {
    std::uint64_t fileSize = 0;
    if (Error error = file_.Size(fileSize)) return error;
    fileSize_ = fileSize;
  }
  if (position_ > *fileSize_ || size > *fileSize_ - position_) {
    return Error{Failure::Damaged, {}, {}, "the archive ends early"};
  }
  position_ += size;
  return {};
}

}  // namespace zip
