#include "zip/password.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "zip/inflate_entry.h"

namespace zip {
namespace {

std::vector<Secret> Forms(const Secret& typed, bool aes) {
  using os::CodePage;
  std::string utf8(typed.bytes().begin(), typed.bytes().end());
  std::vector<std::optional<std::string>> order;
  if (aes) {
    order = {utf8, os::InCodePage(utf8, CodePage::Ansi)};
  } else {
    order = {os::InCodePage(utf8, CodePage::Ansi), os::InCodePage(utf8, CodePage::Oem), utf8};
  }
  std::vector<Secret> forms;
  for (std::optional<std::string>& bytes : order) {
    if (!bytes) continue;
    Secret form(*bytes);
    crypto::Wipe(bytes->data(), bytes->size());
    if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(std::move(form));
  }
  crypto::Wipe(utf8.data(), utf8.size());
  return forms;
}

// Whether the form opens the entries, Failure::Encrypted when it does not.
Error Opens(const os::File& archive, const std::vector<const Entry*>& entries, const Secret& form, bool moreForms,
            Observer& observer) {
  const bool aes = entries.front()->aesStrength != 0;
  for (const Entry* entry : entries) {
    Opened opened;
    if (Error error = OpenDecryption(archive, *entry, form.bytes(), opened)) return error;
    if (aes) break;
  }
  if (aes || !moreForms) return {};
  // An empty file's CRC-32 matches whatever the key: it decides nothing.
  const Entry* smallest = nullptr;
  for (const Entry* entry : entries) {
    if (entry->size > 0 && (smallest == nullptr || entry->compressedSize < smallest->compressedSize)) smallest = entry;
  }
  if (smallest == nullptr) return {};
  EntryBuffers buffers;
  Keys keys;
  std::string bytes(form.bytes().begin(), form.bytes().end());
  keys.traditional = Secret(bytes);
  crypto::Wipe(bytes.data(), bytes.size());
  Error error =
      InflateEntry(archive, *smallest, nullptr, buffers, keys, [&](std::uint64_t) { return !observer.Cancelled(); });
  if (error.kind == Failure::Damaged || error.kind == Failure::TooLarge) {
    return Error{Failure::Encrypted, {}, smallest->name, "the password is wrong"};
  }
  return error;
}

// The form of the password that opens these entries, all of one kind.
Error Choose(const os::File& archive, const std::vector<const Entry*>& entries, const Secret& typed,
             Observer& observer, Secret& key, bool& opened) {
  opened = false;
  if (entries.empty()) return {};
  std::vector<Secret> forms = Forms(typed, entries.front()->aesStrength != 0);
  for (std::size_t i = 0; i < forms.size(); ++i) {
    Error error = Opens(archive, entries, forms[i], i + 1 < forms.size(), observer);
    if (error.kind == Failure::Encrypted) continue;
    if (error) return error;
    key = std::move(forms[i]);
    opened = true;
    return {};
  }
  return {};
}

}  // namespace

Error ChoosePasswords(const os::File& archive, const Catalog& catalog, Observer& observer, Keys& keys) {
  std::vector<const Entry*> traditional, aes;
  for (const Entry& entry : catalog.entries) {
    if (IsEncrypted(entry)) (entry.aesStrength != 0 ? aes : traditional).push_back(&entry);
  }
  if (traditional.empty() && aes.empty()) return {};
  const std::string& first = (aes.empty() || (!traditional.empty() && traditional.front() < aes.front()))
                                 ? traditional.front()->name : aes.front()->name;
  for (bool wrong = false;; wrong = true) {
    std::optional<std::string> typed = observer.Password(wrong);
    if (!typed) return Error{Failure::Encrypted, {}, first, "no password was given"};
    const Secret held(*typed);  // the answer, cleared when dropped
    crypto::Wipe(typed->data(), typed->size());
    typed.reset();
    bool traditionalOpened = true, aesOpened = true;
    if (Error error = Choose(archive, traditional, held, observer, keys.traditional, traditionalOpened)) return error;
    if (Error error = Choose(archive, aes, held, observer, keys.aes, aesOpened)) return error;
    if ((traditional.empty() || traditionalOpened) && (aes.empty() || aesOpened)) return {};
  }
}

}  // namespace zip
