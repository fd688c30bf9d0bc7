#pragma once
// Story text is stored as bytes of the GB 2312 family; the window shows and
// takes Unicode. These conversions are the only crossing between them.
//
// The mapping is GB18030's, as its 2022 edition fixes it: the system's iconv
// knows the 24 private-use characters that older editions gave two-byte
// codes only one way (they had no code at all, and six four-byte codes came
// back as two-byte ones); here each has the four-byte code of that edition,
// so every valid code and every character maps one to one.

#include <string>

namespace quillforge {

// GB18030 bytes (a superset of GB 2312 and GBK) to UTF-8. A byte that starts
// no character, and a four-byte code no character has, become U+FFFD, so
// stored text that is not GB still shows, and the rest of the text survives.
std::string gbToUtf8(const std::string& gb);

// UTF-8 to GB18030: GB 2312 characters keep their two-byte codes. False (gb
// untouched) when utf8 is no valid UTF-8 or holds a character with no code.
bool utf8ToGb(const std::string& utf8, std::string& gb);
// As above, with characters that have no code left out.
std::string utf8ToGb(const std::string& utf8);

// The stored bytes once a box that showed gbToUtf8(stored) shows shown: the
// characters the edit left at the start and at the end keep their stored
// bytes, whatever they were, and only the rest is converted. So text that
// shows and is saved back stays byte for byte what it was. False (out
// untouched) when the rest holds a character that cannot be stored.
bool gbAfterEdit(const std::string& stored, const std::string& shown, std::string& out);

} // namespace quillforge
