#pragma once
// Name encodings: UTF-8 and the original IBM PC code page 437 that names without a UTF-8 mark
// were written in.
#include <cstddef>
#include <string>
#include <string_view>

namespace zip {

bool IsAscii(std::string_view text);
bool IsUtf8(std::string_view text);
std::string Cp437ToUtf8(std::string_view text);

// The code point at `at` in valid UTF-8, and moves `at` past it.
char32_t NextCodePoint(std::string_view text, std::size_t& at);
void AppendUtf8(std::string& out, char32_t point);

// Upper case as Windows compares names, so that names it holds as one fold alike.
std::string FoldCase(std::string_view utf8);

}  // namespace zip
