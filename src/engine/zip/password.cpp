#include "engine/zip/password.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/zip/inflate_entry.h"

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

// An entry whose check passed: its data, decrypted whole, did not match.
bool DataFails(const Error& error) { return error.kind == Failure::Damaged || error.kind == Failure::TooLarge; }

// Up to this much data, each entry whose check passed is decrypted whole.
constexpr std::uint64_t kEachChecked = std::uint64_t{16} << 20;

struct Passed {
  const Entry* entry;
  Secret key;
  bool opens = false;
};

// One answer tried on the entries still locked: those it opens get their key and are no longer
// locked. `failed` tells of an entry whose check it passed but whose data did not match.
class Trial {
 public:
  Trial(const os::File& archive, Observer& observer, Keys& keys) : archive_(archive), observer_(observer), keys_(keys) {}

  Error Run(const Secret& answer, std::vector<const Entry*>& locked, bool& right, Error& failed) {
    right = false;
    std::vector<Passed> opens;
    std::unordered_set<const Entry*> opened;
    for (const bool aes : {false, true}) {
      for (const Secret& form : Forms(answer, aes)) {
        std::vector<const Entry*> ofKind;
        std::copy_if(locked.begin(), locked.end(), std::back_inserter(ofKind), [&](const Entry* entry) {
          return (entry->zipFields.aesStrength != 0) == aes && !opened.contains(entry);
        });
        if (ofKind.empty()) break;
        std::vector<std::optional<Secret>> checked;
        if (Error error = CheckEach(ofKind, form, aes, checked)) return error;
        std::vector<Passed> passed;
        for (std::size_t i = 0; i < ofKind.size(); ++i) {
          if (checked[i]) passed.push_back({ofKind[i], std::move(*checked[i])});
        }
        if (Error error = Decide(passed, passed.size() == ofKind.size(), failed)) return error;
        for (Passed& pass : passed) {
          if (!pass.opens) continue;
          opened.insert(pass.entry);
          opens.push_back(std::move(pass));
        }
      }
    }
    // An empty entry of traditional encryption matches whatever passes its check, 1 wrong answer
    // in 256: it is opened all the same, its file is empty whatever the key, but it shows the
    // answer right only when no entry that could tell is left.
    const auto tells = [](const Entry* entry) { return entry->size > 0 || entry->zipFields.aesStrength != 0; };
    right = std::ranges::any_of(opens, [&](const Passed& pass) { return tells(pass.entry); }) ||
            (!opens.empty() && std::ranges::none_of(locked, tells));
    for (Passed& pass : opens) keys_.Set(*pass.entry, std::move(pass.key));
    std::erase_if(locked, [&](const Entry* entry) { return opened.contains(entry); });
    return {};
  }

 private:
  // The form checked against each entry, `checked` holding the key of each one it passes. AES
  // derives keys for each entry, a millisecond or more: on all cores then, this thread one of them.
  Error CheckEach(const std::vector<const Entry*>& entries, const Secret& form, bool aes,
                  std::vector<std::optional<Secret>>& checked) {
    checked.clear();
    checked.resize(entries.size());
    std::atomic<std::size_t> next{0};
    os::Mutex mutex;
    Error first;
    const auto work = [&] {
      for (std::size_t i = next++; i < entries.size(); i = next++) {
        Secret key;
        Error error = observer_.Cancelled() ? Error{Failure::Cancelled, {}, {}, {}}
                                            : CheckPassword(archive_, *entries[i], form.bytes(), key);
        if (!error) {
          checked[i] = std::move(key);
        } else if (error.kind != Failure::Encrypted) {
          const os::Guard guard(mutex);
          if (!first) first = std::move(error);
          next = entries.size();
        }
      }
    };
    {
      std::vector<std::unique_ptr<os::Thread>> others;
      const std::size_t threads = aes ? std::min<std::size_t>(os::Cores(), entries.size()) : 1;
      for (std::size_t i = 1; i < threads; ++i) others.push_back(std::make_unique<os::Thread>(work));
      work();
    }
    return first;
  }

  // Which of the entries whose check passed the data says the form opens.
  Error Decide(std::vector<Passed>& passed, bool all, Error& failed) {
    std::vector<Passed*> each;
    std::uint64_t bytes = 0;
    for (Passed& pass : passed) {
      each.push_back(&pass);
      bytes += pass.entry->compressedSize;
    }
    // Entries of another password could pass too, by chance: each one's own data rules that out
    // where reading it costs little.
    if (all && bytes > kEachChecked) {
      // An empty file's CRC-32 matches whatever the key: it decides nothing.
      Passed* smallest = nullptr;
      for (Passed& pass : passed) {
        const Entry& entry = *pass.entry;
        if (entry.size > 0 && (smallest == nullptr || entry.compressedSize < smallest->entry->compressedSize)) {
          smallest = &pass;
        }
      }
      bool decided = smallest == nullptr;
      if (smallest != nullptr) {
        if (Error error = Decrypts(*smallest, failed)) return error;
        decided = smallest->opens;
      }
      if (decided) {
        for (Passed& pass : passed) pass.opens = true;
        return {};
      }
      each.erase(std::find(each.begin(), each.end(), smallest));  // the others may hold another password
    }
    for (Passed* pass : each) {
      if (Error error = Decrypts(*pass, failed)) return error;
    }
    return {};
  }

  Error Decrypts(Passed& pass, Error& failed) {
    Error error = InflateEntry(archive_, *pass.entry, nullptr, buffers_, pass.key,
                               [&](std::uint64_t) { return !observer_.Cancelled(); });
    pass.opens = !error;
    if (!DataFails(error)) return error;
    if (!failed) failed = std::move(error);
    return {};
  }

  const os::File& archive_;
  Observer& observer_;
  Keys& keys_;
  EntryBuffers buffers_;
};

}  // namespace

Error ChoosePasswords(const os::File& archive, const Catalog& catalog, Observer& observer, Keys& keys) {
  std::vector<const Entry*> locked;
  for (const Entry& entry : catalog.entries) {
    if (IsEncrypted(entry)) locked.push_back(&entry);
  }
  if (locked.empty()) return {};
  bool someRight = false;  // until then, the locked entries are the whole archive's: none named
  Trial trial(archive, observer, keys);
  std::vector<Secret> doubted;  // answers that passed a check where the data then failed
  PasswordQuestion question;
  while (!locked.empty()) {
    std::optional<PasswordAnswer> given = observer.Password(question);
    if (!given) return Error{Failure::Encrypted, {}, locked.front()->name, "no password was given"};
    Secret answer(given->password);  // cleared when dropped
    crypto::Wipe(given->password.data(), given->password.size());
    const bool remembered = given->remembered;
    given.reset();
    Error failed;
    bool right = false;
    if (Error error = trial.Run(answer, locked, right, failed)) return error;
    question.wrong = !right;
    someRight = someRight || right;
    // Told it was wrong and given again: the person is sure of it, so the data is damaged. One that
    // opened entries was not called wrong, and a remembered one is never the person's.
    if (failed && question.wrong && !remembered) {
      if (std::find(doubted.begin(), doubted.end(), answer) != doubted.end()) return failed;
      doubted.push_back(std::move(answer));
    }
    question.locked.clear();
    if (someRight) {
      for (const Entry* entry : locked) question.locked.push_back(entry->name);
    }
  }
  return {};
}

}  // namespace zip
