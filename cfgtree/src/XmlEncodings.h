#pragma once

namespace cfgtree {

// Gives the XML library the program's GBK codec for the names GB2312, GBK
// and GB18030 (once per process): reading is lenient (a sequence that is
// still invalid becomes U+FFFD and the rest of the file is kept); GB2312 and
// GBK are written with GB18030's one- and two-byte codes, so what was read
// is written back byte for byte, and the library writes a character without
// such a code as a character reference; GB18030 is written whole.
void registerGbEncodings();

// The encoding a document declared in `declared` is saved in: the declared
// one when it is GB2312, GBK, GB18030 or UTF-8 (in any letter case), else
// UTF-8, whose files always reload. An undeclared document is UTF-8 too.
const char* savedEncoding(const char* declared);

} // namespace cfgtree
