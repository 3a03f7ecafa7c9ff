#pragma once

#include <libxml/tree.h>

namespace cfgtree {

// Gives the XML library the program's GBK codec for the names GB2312, GBK
// and GB18030 (once per process): reading is lenient (a sequence that is
// still invalid becomes U+FFFD and the rest of the file is kept); GB2312 and
// GBK are written with GB18030's one- and two-byte codes, so what was read
// is written back byte for byte, and the library writes a character without
// such a code as a character reference; GB18030 is written whole.
void registerGbEncodings();

// The encoding a document is saved in, so that the file reloads: the
// declared one when it is GB2312, GBK, GB18030 or UTF-8 (in any letter
// case), else UTF-8; an undeclared document is UTF-8 too. A GB2312 or GBK
// document with a character GBK lacks where no character reference can
// stand for it (a name, a comment, a processing instruction, CDATA, the
// internal subset) is saved in GB18030, which writes the GBK characters
// with the same bytes and has a code for every other one.
const char* savedEncoding(xmlDocPtr document);

} // namespace cfgtree
