#pragma once

// Text helpers shared by every subsystem. Text is bytes (UTF-8 on this system); positions count
// from 1 and 0 means "not found", as everywhere in the program. Positions and lengths are size_t,
// so texts of any length work.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

constexpr char CrLf[] = "\r\n";

// Removes length characters from text beginning at position start. Out-of-range arguments are
// clamped to the text, so a bad caller can never read or write outside it.
void DeleteText(std::string& text, std::size_t start, std::size_t length);

// Returns the piece of text of the given length at position start and removes it from text.
std::string CutText(std::string& text, std::size_t start, std::size_t length);

// Removes every occurrence of find (exact). An empty find removes nothing.
void RemoveAll(std::string& text, std::string_view find);

// Replaces every occurrence of find (exact) and returns how many were replaced. The search goes
// on after each inserted replacement, so a replacement that contains find cannot loop.
std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replacement);

// The first position p >= start whose character occurs in set (exact); 0 when there is none.
std::size_t FindFirstOf(std::size_t start, std::string_view set, std::string_view text);

// The last position of find in text, ignoring case, looking no further right than
// len(text) - len(find) - skip + 2; 0 when there is none. skip 1 searches the whole text, skip 2
// ignores an occurrence that ends at the last character.
std::size_t FindLast(int skip, std::string_view text, std::string_view find);

// The first position p >= start of find in text; 0 when there is none (or find is empty).
std::size_t Find(std::string_view text, std::string_view find, std::size_t start = 1);
// The same, ignoring the case of ASCII letters.
std::size_t FindIgnoreCase(std::string_view text, std::string_view find, std::size_t start = 1);

// The characters from position start to the end (or length of them), "" when start is past the end.
std::string_view Mid(std::string_view text, std::size_t start, std::size_t length = std::string_view::npos);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// ASCII case mapping only: bytes of multi-byte characters pass unchanged.
std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);
char ToLowerChar(char c);

// Removes blanks (code 32) only, from both ends.
std::string_view TrimBlanks(std::string_view text);

// Reads a number the program's way: blanks, tabs and line feeds are ignored wherever they stand;
// of the rest the longest prefix that forms a decimal number (sign, digits, one decimal point,
// exponent) is taken; a text without such a prefix reads as 0.
double ReadNumber(std::string_view text);

// Rounds to the nearest integer, halves to even.
double RoundHalfEven(double value);

// ReadNumber rounded half to even, as an integer; false when the value lies outside the 16-bit
// signed range (the caller then keeps its default).
bool ReadInt16(std::string_view text, int& value);

// Plain decimal text of a number, without exponent, without trailing zeros, at most 15
// significant digits ("3", "2.75", "-0.5").
std::string NumberText(double value);

} // namespace tarnwick
