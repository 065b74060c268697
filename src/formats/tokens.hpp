// Numbers taken one word at a time off the front of a text line, for the X-PLOR reader.
//
// A word is a run of characters other than the blank and the tab. Texts are blank-padded
// buffers (132 characters in this program); a word is returned blank-padded to 132.
// Conversions follow the rules of a formatted integer field and of a real field without
// implied decimals: blanks ignored, an all-blank field is zero, "2" reads as 2.0, exponents
// with E or D. A status of 0 means converted, 100 that the text held no word, anything else
// that the word is not a number of that kind (the target is then left as it was).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace voxmill {

constexpr std::int32_t kTokenOk = 0;
constexpr std::int32_t kTokenNoWord = 100;
constexpr std::int32_t kTokenBadSyntax = 1;   // not a number of the kind asked for
constexpr std::int32_t kTokenOverflow = 2;    // an integer beyond 32 bits, a real beyond single precision

inline bool is_separator(char c) { return c == ' ' || c == '\t'; }

// The first word of iotext. With cutword it is removed from iotext; leading separators are
// removed from what is left in any case. A word that runs into the last position of the text
// is not seen: the result is blank and nothing is cut.
std::string firstword(std::string& iotext, bool cutword);

void oneint(std::string& text, std::int32_t& oint, std::int32_t& errcode);
void onereal(std::string& text, float& oreal, std::int32_t& errcode);
// icnt words, each converted; a missing word converts as a blank field (0). errcode is the
// status of the last conversion only.
void arrayint(std::string& text, std::int32_t* oarrint, std::int32_t icnt, std::int32_t& errcode);

// The word that firstword would take from `line` held in a blank-padded buffer of `length`
// characters, without building the buffer; empty when firstword would return blanks.
std::string_view leading_word(std::string_view line, std::size_t length);

// The conversions of one field, its trailing blanks already dropped; they change the value
// only when they return kTokenOk. Correctly rounded to single precision, like strtof; a real
// that rounds beyond the largest float is kTokenOverflow (the words Inf, Infinity and NaN give
// those values), one that rounds below the least is zero or a subnormal.
std::int32_t convert_int(std::string_view field, std::int32_t& value);
std::int32_t convert_real(std::string_view field, float& value);

}  // namespace voxmill
