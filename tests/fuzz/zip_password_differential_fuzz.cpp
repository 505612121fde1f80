// Generated zips of entries encrypted with known passwords (traditional PKWARE and WinZip AES,
// one password for all or one for each), extracted by the engine with the passwords a person
// types through the tools' own keeping of passwords, and read by libarchive given the right
// ones. Every disagreement is either a refusal listed below as right for what the generator
// did, or a fault: the run prints both readings and aborts.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "differential/compare.h"
#include "differential/password_generate.h"
#include "tools/passwords.h"
#include "engine/engine.h"

namespace {

using differential::Case;
using differential::Fault;
using differential::PasswordGenerated;
using differential::ReadResult;

// The engine's refusals that are right when libarchive reads every entry, each only when the
// generator made one of the bends given.
struct Refusal {
  zip::Failure kind;
  std::string_view detail;  // a part of the engine's words
  unsigned bends;
};
constexpr Refusal kRightRefusals[] = {
    // libarchive is given every right password; the person did not type one of them.
    {zip::Failure::Encrypted, "", differential::kMissing},
};

bool RightRefusal(const zip::Error& error, unsigned made) {
  for (const Refusal& refusal : kRightRefusals) {
    if (refusal.kind == error.kind && error.detail.find(refusal.detail) != std::string::npos && (made & refusal.bends) != 0) {
      return true;
    }
  }
  return false;
}

// libarchive's failures where the engine extracts the archive's true data, each when the generator
// made all of what is given.
struct Strictness {
  std::string_view message;  // a part of libarchive's words
  unsigned made;
};
constexpr Strictness kLibarchiveStrictness[] = {
    // libarchive takes the first password that passes a traditional entry's check byte, and
    // another entry's may pass it (1 in 256): that entry's data then fails its CRC-32, or its
    // deflate data is garbage, or ends before or after its declared size.
    {"ZIP bad CRC", differential::kTheirsPass},
    {"ZIP decompression failed", differential::kTheirsPass},
    {"ZIP compressed data is wrong size", differential::kTheirsPass},
};

bool LibarchiveStrictness(const std::string& message, unsigned made) {
  for (const Strictness& known : kLibarchiveStrictness) {
    if (message.find(known.message) != std::string::npos && (made & known.made) == known.made) return true;
  }
  return false;
}

// The person at Spillet's password window: the run's kept password first, as the tools keep it,
// then each typed password once, in turn, then Cancel.
class Person final : public zip::Observer {
 public:
  explicit Person(const PasswordGenerated& generated) : typed_(generated.typed) {
    if (generated.kept) {
      passwords_.Begin();
      passwords_.Answer({}, [&](const zip::PasswordQuestion&) { return generated.kept; });
      passwords_.Opened();
    }
    passwords_.Begin();
  }
  void Total(std::uint64_t) override {}
  void Done(std::uint64_t, const std::string&) override {}
  bool Cancelled() override { return false; }
  std::optional<zip::PasswordAnswer> Password(const zip::PasswordQuestion& question) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return passwords_.Answer(question, [this](const zip::PasswordQuestion&) -> std::optional<std::string> {
      if (asked_ == typed_.size()) return std::nullopt;
      return typed_[asked_++];
    });
  }

 private:
  std::mutex mutex_;
  tools::Passwords passwords_;
  std::vector<std::string> typed_;
  std::size_t asked_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const PasswordGenerated generated = differential::GeneratePasswords(data, size);
  const ReadResult read = differential::ReadWithLibarchive(generated.archive, differential::Reader::Zip, generated.passwords);
  Person person(generated);
  const differential::Extracted extracted = differential::ExtractWithEngine(generated.archive, "in.zip", person);
  std::string made = differential::PasswordBendNames(generated.made) + "; typed";
  for (const std::string& password : generated.typed) made += " " + differential::Quoted(password);
  if (generated.kept) made += "; kept " + differential::Quoted(*generated.kept);
  made += "; right";
  for (const std::string& password : generated.passwords) made += " " + differential::Quoted(password);
  const Case run{"zip_password_differential_fuzz", made, generated.archive.size()};
  const bool libarchiveRead = read.error.empty();
  if (extracted.error) {
    if (libarchiveRead && !RightRefusal(extracted.error, generated.made)) {
      Fault(run, "the engine refused an archive libarchive reads, for a reason it does not have", read, extracted);
    }
    return 0;
  }
  if (libarchiveRead) differential::CompareEntries(run, read, extracted);
  differential::CompareWithTruth(run, generated.contents, read, extracted);
  if (!libarchiveRead && !LibarchiveStrictness(read.error, generated.made)) {
    Fault(run, "libarchive refused what the engine extracted", read, extracted);
  }
  return 0;
}
