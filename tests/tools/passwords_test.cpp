#include "tools/passwords.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Each archive's questions from the engine (its `wrong` flags) and whether it opened in the end.
struct Archive {
  std::vector<bool> questions;
  bool opened;
};

TEST(Passwords, TheOneThatOpenedIsTriedFirstAndThePersonAskedOnlyAfter) {
  const struct {
    const char* label;
    std::vector<Archive> archives;
    std::vector<std::string> typed;
    std::vector<std::string> answers;  // what the engine got, in order
    std::vector<bool> told;            // each time the person was asked: told they were wrong
  } cases[] = {
      {"KeptOpensTheNext", {{{false}, true}, {{false}, true}}, {"a"}, {"a", "a"}, {false}},
      {"KeptFailsThenAsked", {{{false}, true}, {{false, true}, true}}, {"a", "b"}, {"a", "a", "b"}, {false, false}},
      {"WrongThenRight", {{{false, true}, true}}, {"x", "a"}, {"x", "a"}, {false, true}},
      {"CancelledKeepsNothing", {{{false}, false}, {{false}, false}}, {"x", "y"}, {"x", "y"}, {false, false}},
  };
  for (const auto& c : cases) {
    tools::Passwords passwords;
    std::vector<std::string> answers;
    std::vector<bool> told;
    std::size_t next = 0;
    const tools::Passwords::Ask ask = [&](bool wrong) -> std::optional<std::string> {
      told.push_back(wrong);
      if (next == c.typed.size()) return std::nullopt;
      return c.typed[next++];
    };
    for (const Archive& archive : c.archives) {
      passwords.Begin();
      for (const bool wrong : archive.questions) {
        if (const auto answer = passwords.Answer(wrong, ask)) answers.push_back(*answer);
      }
      if (archive.opened) passwords.Opened();
    }
    EXPECT_EQ(answers, c.answers) << c.label;
    EXPECT_EQ(told, c.told) << c.label;
  }
}

}  // namespace
