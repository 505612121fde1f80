// Which entries the engine can extract: stored, deflate, Deflate64 and what 7-Zip writes besides
// (bzip2, LZMA, zstd, xz, PPMd), plain or encrypted with a password (traditional PKWARE
// encryption or WinZip AES).
#include <string>

#include "engine/zip/catalog.h"
#include "engine/zip/local_header.h"

namespace zip {
namespace {

constexpr std::uint16_t kFlagStrongEncryption = 1 << 6;

std::string MethodName(std::uint16_t method) {
  switch (method) {
    case 1: return "Shrink";
    case 2: case 3: case 4: case 5: return "Reduce";
    case 6: return "Implode";
    case 10: return "PKWARE DCL Implode";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 16: return "IBM z/OS CMPSC";
    case 18: return "IBM TERSE";
    case 19: return "IBM LZ77";
    case 20: case 93: return "Zstandard";
    case 94: return "MP3";
    case 95: return "xz";
    case 96: return "JPEG";
    case 97: return "WavPack";
    case 98: return "PPMd";
    default: return "unknown";
  }
}

bool IsExtractable(std::uint16_t method) {
  switch (method) {
    case kStored: case kDeflated: case kDeflate64: case kBzip2: case kLzma: case kZstd: case kXz: case kPpmd:
      return true;
    default:
      return false;
  }
}

}  // namespace

Error RefuseUnsupported(const Catalog& catalog) {
  for (const Entry& entry : catalog.entries) {
    if (entry.zipFields.method == kAesMethod && entry.zipFields.aesStrength == 0) {
      return Error{Failure::Damaged, {}, entry.name, "its WinZip AES field does not check out"};
    }
    if ((entry.zipFields.flags & kFlagStrongEncryption) != 0) {
      return Error{Failure::UnsupportedMethod, {}, entry.name, "PKWARE strong encryption"};
    }
    if (entry.zipFields.aesStrength != 0 && (entry.zipFields.flags & kFlagEncrypted) == 0) {
      return Error{Failure::Damaged, {}, entry.name, "it is WinZip AES without the encrypted flag"};
    }
    if (!IsExtractable(entry.zipFields.method)) {
      return Error{Failure::UnsupportedMethod, {}, entry.name,
                   MethodName(entry.zipFields.method) + " (method " + std::to_string(entry.zipFields.method) + ")"};
    }
  }
  return {};
}

}  // namespace zip
