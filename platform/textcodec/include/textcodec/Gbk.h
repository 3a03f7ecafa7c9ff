#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Conversion between the program's UTF-8 strings and GBK (Windows code page
// 936), the encoding of the agent protocol and of the files declared GB2312.
//
// Both directions are lenient, so one odd character never costs a whole
// text. GBK is read as GB18030, its superset, so the user-defined and
// extension areas (A1 40, A6 D9, FE 50...) read as their characters; a byte
// sequence that is still invalid becomes U+FFFD and the rest is kept. GBK is
// written with GB18030's one- and two-byte codes, the same bytes as GBK plus
// the user-defined areas, so whatever was read is written back byte for
// byte; a character whose only code has four bytes, and a byte that is not
// UTF-8, is written as "?".
namespace TextCodec {

// A converted text and what had to be replaced on the way.
struct Converted {
    std::string text;
    std::size_t replaced = 0; // characters or byte sequences replaced
    // The first few of them, for a log line: "U+2022 U+00DF" when writing,
    // the bytes in hexadecimal ("81 20") when reading.
    std::string replacedWhat;
};

Converted utf8ToGbk(std::string_view utf8);
Converted gbkToUtf8(std::string_view gbk);

// ---- one buffer at a time, for callers that stream (the XML library)

// The codes a conversion may write: GBK's (GB18030's one- and two-byte
// codes) or the whole of GB18030.
enum class Repertoire { Gbk, Gb18030 };
// What an encoding does with a character the repertoire lacks.
enum class OnMissing { Question, Stop };

struct Step {
    std::size_t consumed = 0; // input bytes converted or replaced
    std::size_t replaced = 0;
    bool stopped = false;     // OnMissing::Stop: stopped before such a character
};

// Decodes GB18030 bytes, appending UTF-8 to out. Unless `last`, a sequence
// cut short at the end of `in` is left unconsumed for the next buffer.
Step decodeGb18030(std::string_view in, std::string& out, bool last, std::string* replacedWhat = nullptr);

// Encodes UTF-8, appending to out. A character the repertoire lacks is
// written as "?" or, with OnMissing::Stop, ends the step in front of it.
// Bytes that are not UTF-8 become "?"; unless `last`, a character cut short
// at the end of `in` is left unconsumed.
Step encodeGb18030(std::string_view in, std::string& out, Repertoire repertoire, OnMissing onMissing,
                   bool last, std::string* replacedWhat = nullptr);

} // namespace TextCodec
