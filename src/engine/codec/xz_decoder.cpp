// xz through the LZMA SDK's unpacker, which reads the streams one after another, the padding
// between them and every check (CRC-32, CRC-64, SHA-256) itself.
#include <Xz.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/codec/read_ahead.h"
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

// The file front to back, for the SDK's decoder; a cancel ends it as a failed read.
struct FileInput {
  ISeqInStream vt;
  const os::File& file;
  const std::function<bool()>& cancelled;
  std::uint64_t offset = 0;
  Error error;

  static SRes Read(ISeqInStreamPtr self, void* data, size_t* size) {
    auto& in = *const_cast<FileInput*>(reinterpret_cast<const FileInput*>(self));
    std::size_t got = 0;
    in.error = in.cancelled && in.cancelled() ? Error{Failure::Cancelled, {}, {}, {}}
                                              : in.file.ReadAt(in.offset, static_cast<std::uint8_t*>(data), *size, got);
    *size = got;
    in.offset += got;
    return in.error ? SZ_ERROR_READ : SZ_OK;
  }
};

// What the decoder makes, into the stream's buffers; short once the reader has gone.
struct SinkOutput {
  ISeqOutStream vt;
  ReadAheadStream::Sink& sink;

  static size_t Write(ISeqOutStreamPtr self, const void* data, size_t size) {
    ReadAheadStream::Sink& sink = reinterpret_cast<const SinkOutput*>(self)->sink;
    std::size_t written = 0;
    while (written < size) {
      const std::span<std::uint8_t> room = sink.Room();
      if (room.empty()) break;
      const std::size_t n = std::min(room.size(), size - written);
      std::memcpy(room.data(), static_cast<const std::uint8_t*>(data) + written, n);
      sink.Fill(n);
      written += n;
    }
    return written;
  }
};

struct DestroyDecoder {
  void operator()(CXzDecMt* decoder) const { XzDecMt_Destroy(decoder); }
};

// Every stream, its padding and every check read by the SDK's decoder.
Error DecodeXzFile(const os::File& file, const std::function<bool()>& cancelled, ReadAheadStream::Sink& sink) {
  MakeCrcTables();
  LimitedAlloc alloc;
  const std::unique_ptr<CXzDecMt, DestroyDecoder> decoder(XzDecMt_Create(&alloc, &alloc));
  if (!decoder) return Error{Failure::NoMemory, {}, {}, {}};
  CXzDecMtProps props;
  XzDecMtProps_Init(&props);
  props.numThreads = os::Cores();
  props.memUseMax = std::size_t{sizeof(void*)} << 26;  // past it, a block is decoded on this thread
  FileInput in{{&FileInput::Read}, file, cancelled, 0, {}};
  SinkOutput out{{&SinkOutput::Write}, sink};
  CXzStatInfo stat;
  int multiThreaded = 0;
  const SRes result = XzDecMt_Decode(decoder.get(), &props, nullptr, /* finishMode= */ 1, &out.vt, &in.vt, &stat,
                                     &multiThreaded, nullptr);
  if (in.error) return in.error;
  switch (result) {
    case SZ_OK:
      return stat.DataAfterEnd ? Error{Failure::Damaged, {}, {}, "its xz stream is followed by bytes that are not xz"}
                               : Error{};
    case SZ_ERROR_WRITE:  // the reader has gone
      return {};
    case SZ_ERROR_MEM:
      return alloc.OutOfMemory();
    case SZ_ERROR_UNSUPPORTED:
      return Error{Failure::UnsupportedMethod, {}, {}, "an xz filter or check"};
    case SZ_ERROR_CRC:
      return Error{Failure::Damaged, {}, {}, "its xz stream fails its check"};
    case SZ_ERROR_INPUT_EOF:
      return Error{Failure::Damaged, {}, {}, "its xz stream ends early"};
    default:
      return Error{Failure::Damaged, {}, {}, "its xz stream is damaged"};
  }
}

}  // namespace

std::unique_ptr<Stream> OpenXzStream(const os::File& file, std::function<bool()> cancelled) {
  return std::make_unique<ReadAheadStream>([&file, cancelled = std::move(cancelled)](ReadAheadStream::Sink& sink) {
    return DecodeXzFile(file, cancelled, sink);
  });
}

std::unique_ptr<StreamDecoder> MakeXzDecoder() { return std::make_unique<XzDecoder>(); }

bool StartsXz(std::span<const std::uint8_t> head) {
  static constexpr std::uint8_t kMagic[] = {0xFD, '7', 'z', 'X', 'Z', 0x00};
  return head.size() >= sizeof kMagic && std::equal(std::begin(kMagic), std::end(kMagic), head.begin());
}

}  // namespace zip
