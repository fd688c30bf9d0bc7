// Element nesting of a story document's text, measured before TinyXML sees it.
//
// TinyXML's parser, its destructor and the tree code after it recurse once
// per element level, so a file nested 100,000 deep would overflow the stack
// of either program. A script.xml nests four levels (story / scriptList / st /
// left); text nested deeper than kMaxXmlDepth is refused unparsed.
#pragma once

#include <string>
#include <string_view>

inline constexpr int kMaxXmlDepth = 64;

// Deepest element nesting TinyXML reaches while parsing text: the scan follows
// TinyXML's own reading of tags, quoted attribute values, text, entities,
// comments, CDATA, declarations and unknown markup, so markup inside any of
// those does not count. utf8 selects TinyXML's UTF-8 mode (the file starts
// with a byte-order mark), in which text and attribute values step over whole
// multi-byte sequences. The text is taken as TinyXML's file loader hands it
// to the parser: ending at its first zero byte, line ends already LF.
int xmlNestingDepth(std::string_view text, bool utf8);

// The text of file as TinyXML's file loader would parse it (cut at the first
// zero byte; CR LF and lone CR become LF), followed by three zero bytes so
// that a multi-byte step at the very end stays inside the buffer. False when
// the file is no regular file, holds more than kMaxScriptBytes, cannot be
// read or nests deeper than kMaxXmlDepth.
bool readXmlText(const std::string& file, std::string& text);

// The same for bytes already read: false when they nest deeper than
// kMaxXmlDepth.
bool xmlTextOf(const std::string& raw, std::string& text);
