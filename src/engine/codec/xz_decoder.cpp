// xz through the LZMA SDK's unpacker, which reads the streams one after another, the padding
// between them and every check (CRC-32, CRC-64, SHA-256) itself.
#include <Xz.h>

#include <algorithm>
#include <iterator>

#include "engine/codec/sdk_alloc.h"
#include "engine/codec/stream_decoder.h"

namespace zip {
namespace {

class XzDecoder final : public StreamDecoder {
 public:
  XzDecoder() {
    MakeCrcTables();
    XzUnpacker_Construct(&unpacker_, &alloc_);
    XzUnpacker_Init(&unpacker_);
  }
  ~XzDecoder() override { XzUnpacker_Free(&unpacker_); }
  XzDecoder(const XzDecoder&) = delete;
  XzDecoder& operator=(const XzDecoder&) = delete;

  Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) override {
    ended = false;
    SizeT made = out.size();
    SizeT used = in.size();
    ECoderStatus status = CODER_STATUS_NOT_SPECIFIED;
    const SRes result = XzUnpacker_Code(&unpacker_, out.data(), &made, in.data(), &used, 0, CODER_FINISH_ANY, &status);
    in = in.subspan(used);
    out = out.subspan(made);
    if (result == SZ_OK) return {};
    if (result == SZ_ERROR_MEM) return alloc_.OutOfMemory();
    if (result == SZ_ERROR_UNSUPPORTED) {
      return Error{Failure::UnsupportedMethod, {}, {}, "an xz filter or check"};
    }
    if (result == SZ_ERROR_CRC) return Error{Failure::Damaged, {}, {}, "its xz stream fails its check"};
    return Error{Failure::Damaged, {}, {}, "its xz stream is damaged"};
  }
  std::size_t MagicSize() const override { return 6; }
  bool StartsMember(std::span<const std::uint8_t>) const override { return false; }  // the unpacker reads on
  Error Restart() override { return {}; }
  bool Finished() const override { return XzUnpacker_IsStreamWasFinished(&unpacker_) != 0; }
  const char* Name() const override { return "xz"; }

 private:
  LimitedAlloc alloc_;
  CXzUnpacker unpacker_{};
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeXzDecoder() { return std::make_unique<XzDecoder>(); }

bool StartsXz(std::span<const std::uint8_t> head) {
  static constexpr std::uint8_t kMagic[] = {0xFD, '7', 'z', 'X', 'Z', 0x00};
  return head.size() >= sizeof kMagic && std::equal(std::begin(kMagic), std::end(kMagic), head.begin());
}

}  // namespace zip
