#pragma once
// Story text is stored as bytes of the GB 2312 family; the window shows and
// takes Unicode. These two conversions are the only crossing between them.

#include <string>

namespace quillforge {

// GB18030 bytes (a superset of GB 2312 and GBK) to UTF-8. A byte that starts
// no valid character becomes U+FFFD, so stored text that is not GB still
// shows, and the rest of the text survives.
std::string gbToUtf8(const std::string& gb);

// UTF-8 to GB18030. Every Unicode character has a GB18030 form, so nothing a
// user types is lost; GB 2312 characters keep their two-byte codes. Invalid
// UTF-8 sequences are dropped.
std::string utf8ToGb(const std::string& utf8);

} // namespace quillforge
