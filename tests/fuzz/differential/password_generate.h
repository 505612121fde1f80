#pragma once
// A zip whose entries are encrypted (traditional PKWARE or WinZip AES) with passwords known to
// the generator, one for all or one for each, and the passwords a person types for it, wrong
// ones among them: some wrong by every check, some passing a traditional entry's check byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace differential {

enum PasswordBend : unsigned {
  kMissing = 1U << 0,  // a password that opens an entry is neither typed nor kept
  // Not faults, but what some readers do not follow.
  kTheirsPass = 1U << 1,  // one entry's password passes another traditional entry's check byte
};

struct PasswordGenerated {
  std::string archive;
  std::vector<std::string> passwords;  // those that open the entries, each once
  std::optional<std::string> kept;     // the password that opened the run's archive before this one
  std::vector<std::string> typed;      // what the person answers, in order
  unsigned made = 0;
  std::vector<std::string> contents;   // the true data of every entry
};

PasswordGenerated GeneratePasswords(const std::uint8_t* data, std::size_t size);

std::string PasswordBendNames(unsigned made);

}  // namespace differential
