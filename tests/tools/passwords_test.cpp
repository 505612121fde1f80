#include "tools/passwords.h"

#include <gtest/gtest.h>

#include <vector>

#include "tools/password_note.h"

namespace {

// Each archive's questions from the engine and whether it opened in the end.
struct Archive {
  std::vector<zip::PasswordQuestion> questions;
  bool opened;
};

const zip::PasswordQuestion kFirst{}, kWrong{.wrong = true};
const zip::PasswordQuestion kLocked{.locked = {"two.txt"}}, kWrongLocked{.wrong = true, .locked = {"two.txt"}};
const std::string kWrongNote = "That password is wrong. Try again.";
const std::string kLockedNote = "\"two.txt\" needs another password.";

TEST(Passwords, ThoseThatOpenedAreTriedFirstAndThePersonAskedOnlyAfter) {
  const struct {
    const char* label;
    std::vector<Archive> archives;
    std::vector<std::string> typed;
    std::vector<std::string> answers;  // what the engine got, in order, "kept " before a kept one
    std::vector<std::string> told;     // each time the person was asked: the window's note
  } cases[] = {
      {"KeptOpensTheNext", {{{kFirst}, true}, {{kFirst}, true}}, {"a"}, {"a", "kept a"}, {""}},
      {"KeptFailsThenAsked", {{{kFirst}, true}, {{kFirst, kWrong}, true}}, {"a", "b"}, {"a", "kept a", "b"}, {"", ""}},
      {"WrongThenRight", {{{kFirst, kWrong}, true}}, {"x", "a"}, {"x", "a"}, {"", kWrongNote}},
      {"CancelledKeepsNothing", {{{kFirst}, false}, {{kFirst}, false}}, {"x", "y"}, {"x", "y"}, {"", ""}},
      {"TheLatestFirst", {{{kFirst}, true}, {{kFirst, kWrong}, true}, {{kFirst, kWrong}, true}}, {"a", "b"},
       {"a", "kept a", "b", "kept b", "kept a"}, {"", ""}},
      {"EachEntrysPasswordIsKept", {{{kFirst, kLocked}, true}, {{kFirst, kLocked}, true}}, {"a", "b"},
       {"a", "b", "kept b", "kept a"}, {"", kLockedNote}},
      {"KeptOpensSomeAndThePersonIsToldWhatIsLeft", {{{kFirst}, true}, {{kFirst, kLocked, kWrongLocked}, false}},
       {"a", "x"}, {"a", "kept a", "x"},
       {"", kLockedNote, "That password is wrong for \"two.txt\". Try again."}},
      {"KeptFailsOnWhatIsLeft", {{{kFirst, kLocked}, true}, {{kFirst, kLocked, kWrongLocked}, true}}, {"a", "b", "c"},
       {"a", "b", "kept b", "kept a", "c"}, {"", kLockedNote, kLockedNote}},
  };
  for (const auto& c : cases) {
    tools::Passwords passwords;
    std::vector<std::string> answers;
    std::vector<std::string> told;
    std::size_t next = 0;
    const tools::Passwords::Ask ask = [&](const zip::PasswordQuestion& question) -> std::optional<std::string> {
      told.push_back(tools::PasswordNote(question));
      if (next == c.typed.size()) return std::nullopt;
      return c.typed[next++];
    };
    for (const Archive& archive : c.archives) {
      passwords.Begin();
      for (const zip::PasswordQuestion& question : archive.questions) {
        if (const auto answer = passwords.Answer(question, ask)) {
          answers.push_back((answer->remembered ? "kept " : "") + answer->password);
        }
      }
      if (archive.opened) passwords.Opened();
    }
    EXPECT_EQ(answers, c.answers) << c.label;
    EXPECT_EQ(told, c.told) << c.label;
  }
}

TEST(PasswordNote, SaysWhatIsWrongAndWhatIsStillLocked) {
  const struct {
    zip::PasswordQuestion question;
    std::string note;
  } cases[] = {
      {kFirst, ""},
      {kWrong, kWrongNote},
      {kLocked, kLockedNote},
      {kWrongLocked, "That password is wrong for \"two.txt\". Try again."},
      {{.locked = {"a/two.txt", "three.txt", "four.txt"}}, "\"a/two.txt\" and 2 more need another password."},
      {{.wrong = true, .locked = {"two.txt", "three.txt"}}, "That password is wrong for \"two.txt\" and 1 more. Try again."},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::PasswordNote(c.question), c.note);
}

}  // namespace
