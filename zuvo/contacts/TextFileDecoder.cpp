// Decoding of outside text files for the imports: the file type and
// encoding checks, streaming UTF-8 / UTF-16 / GBK decoders that drop what is
// no character, and the filter that keeps only what XML can store.

#include "contacts/TextFileDecoder.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "jotter/Jotter.h"
#include "textcodec/Gbk.h"
#include "textcodec/Utf8.h"

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// One part in sixteen of the first piece dropped, and at least a few
// characters: binary (a stray NUL in a short text is no reason to refuse it).
constexpr std::size_t kBinaryShare = 16;
constexpr std::size_t kBinaryLeast = 8;

void appendCodePoint(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Copies the well-formed UTF-8 sequences of `in` to out (when given) and
// counts every byte that starts none in `bad`. Unless `last`, a sequence
// cut short at the end is left for the next call. Returns the bytes used.
std::size_t decodeUtf8(std::string_view in, std::string* out, bool last, std::size_t& bad)
{
    std::size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<unsigned char>(in[i]);
        if (lead < 0x80) {
            if (out)
                *out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned cp = 0, least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07, least = 0x10000;
        } else {
            ++bad, ++i;
            continue;
        }
        std::size_t k = 1;
        for (; k < length && i + k < in.size(); ++k) {
            const auto next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (k < length && i + k == in.size() && !last)
            break; // continues in the next buffer
        if (k < length || cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            ++bad, ++i; // the lead goes; what follows is looked at on its own
            continue;
        }
        if (out)
            out->append(in.substr(i, length));
        i += length;
    }
    return i;
}

// Decodes UTF-16 code units, pairing surrogates (a high half may wait in
// `pendingHigh` for the next buffer); unpaired halves count in `bad`.
std::size_t decodeUtf16(std::string_view in, std::string& out, bool bigEndian, bool last, unsigned& pendingHigh,
                        std::size_t& bad)
{
    std::size_t i = 0;
    for (; i + 1 < in.size(); i += 2) {
        const auto first = static_cast<unsigned char>(in[i]), second = static_cast<unsigned char>(in[i + 1]);
        const unsigned unit = bigEndian ? (first << 8) | second : (second << 8) | first;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (pendingHigh)
                ++bad;
            pendingHigh = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pendingHigh)
                appendCodePoint(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            else
                ++bad;
            pendingHigh = 0;
            continue;
        }
        if (pendingHigh) {
            ++bad;
            pendingHigh = 0;
        }
        appendCodePoint(out, unit);
    }
    if (last) {
        bad += (in.size() - i) + (pendingHigh ? 1 : 0);
        pendingHigh = 0;
        return in.size();
    }
    return i;
}

// Whether XML can hold the character (and, for GBK, whether it is a
// character at all: the codec reads what is none as U+FFFD).
// Calls visit(code point, its bytes) for each character of well-formed UTF-8.
template <typename Visit>
void forEachCharacter(std::string_view utf8, Visit visit)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t end = TextCodec::utf8CharacterEnd(utf8, i);
        const std::string_view character = utf8.substr(i, end - i);
        visit(TextCodec::utf8CodePoint(character), character);
        i = end;
    }
}

bool isStorable(unsigned cp, bool replacementIsBad)
{
    if (cp < 0x20)
        return cp == '\t' || cp == '\n' || cp == '\r';
    if (cp == 0xFFFE || cp == 0xFFFF)
        return false;
    return !(replacementIsBad && cp == 0xFFFD);
}

// Appends the storable characters of well-formed UTF-8 to out; counts the others.
void appendClean(std::string_view utf8, std::string& out, bool replacementIsBad, std::size_t& dropped)
{
    forEachCharacter(utf8, [&](char32_t cp, std::string_view character) {
        if (isStorable(cp, replacementIsBad))
            out.append(character);
        else
            ++dropped;
    });
}

// Whether the UTF-8 reading of a file is plainly the text an address-book
// file holds: numbers and names, Chinese in three-byte characters, Latin
// names with their accented letters. The GBK bytes of many common Chinese
// characters (叶 D2 B6, 伟 CE B0, 陆 C2 BD...) are valid UTF-8 too, but
// read as two-byte characters: Cyrillic, Greek, Latin letters alone or
// signs. So a two-byte character counts as text only where UTF-8 text has
// it: a Latin letter (U+00C0 to U+024F, × and ÷ aside) in a word that also
// has an ASCII letter ("Müller"), or a middle dot between two three-byte
// characters ("约翰·史密斯"). Fed the file's characters in order.
class Utf8TextShape {
public:
    void add(unsigned cp, std::size_t bytes)
    {
        const bool asciiLetter = cp < 0x80 && ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z');
        const bool latinLetter = bytes == 2 && cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7;
        if (asciiLetter || latinLetter) {
            wordHasAscii_ = wordHasAscii_ || asciiLetter;
            wordHasLatin_ = wordHasLatin_ || latinLetter;
        } else {
            endWord();
        }
        if (dotPending_) {
            foreign_ = foreign_ || bytes < 3;
            dotPending_ = false;
        }
        if (bytes == 2 && !latinLetter) {
            if (cp == 0xB7 && afterLong_)
                dotPending_ = true;
            else
                foreign_ = true;
        }
        afterLong_ = bytes >= 3;
    }
    // Whether the whole file, now fed, reads as UTF-8 text.
    bool isText()
    {
        endWord();
        return !foreign_ && !dotPending_;
    }

private:
    void endWord()
    {
        if (wordHasLatin_ && !wordHasAscii_)
            foreign_ = true;
        wordHasAscii_ = wordHasLatin_ = false;
    }

    bool foreign_ = false; // a two-byte character that UTF-8 text would not hold there
    bool wordHasAscii_ = false;
    bool wordHasLatin_ = false;
    bool afterLong_ = false;
    bool dotPending_ = false;
};

// Feeds the characters of well-formed UTF-8 to the shape.
void feedShape(std::string_view utf8, Utf8TextShape& shape)
{
    forEachCharacter(utf8, [&](char32_t cp, std::string_view character) { shape.add(cp, character.size()); });
}

std::size_t characterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (char c : utf8)
        count += TextCodec::isUtf8Continuation(c) ? 0 : 1;
    return count;
}

// read() that retries on a signal.
ssize_t readSome(int fd, char* buffer, std::size_t size, off_t* at)
{
    for (;;) {
        const ssize_t n = at ? ::pread(fd, buffer, size, *at) : ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

} // namespace

TextFileDecoder::TextFileDecoder(const std::string& path)
{
    // Non-blocking, so that opening a pipe someone named does not hang; a
    // regular file reads the same either way.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        status_ = Status::Unopenable;
        return;
    }
    detectEncoding();
}

TextFileDecoder::~TextFileDecoder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TextFileDecoder::detectEncoding()
{
    char head[3] = {};
    off_t at = 0;
    const ssize_t n = readSome(fd_, head, sizeof head, &at);
    if (n < 0) {
        status_ = Status::ReadError;
        return;
    }
    const std::string_view start(head, static_cast<std::size_t>(n));
    off_t skip = 0;
    if (start.substr(0, 2) == "\xFF\xFE") {
        encoding_ = Encoding::Utf16LittleEndian, skip = 2;
    } else if (start.substr(0, 2) == "\xFE\xFF") {
        encoding_ = Encoding::Utf16BigEndian, skip = 2;
    } else if (start == "\xEF\xBB\xBF") {
        encoding_ = Encoding::Utf8, skip = 3;
    } else {
        encoding_ = readsAsUtf8Text() ? Encoding::Utf8 : Encoding::Gbk;
    }
    if (status_ == Status::Ready && ::lseek(fd_, skip, SEEK_SET) != skip)
        status_ = Status::ReadError;
}

bool TextFileDecoder::readsAsUtf8Text()
{
    std::string buffer;
    std::string carried;
    std::string text;
    off_t at = 0;
    std::size_t bad = 0;
    Utf8TextShape shape;
    for (;;) {
        buffer.resize(kChunkBytes);
        const ssize_t n = readSome(fd_, buffer.data(), buffer.size(), &at);
        if (n < 0) {
            status_ = Status::ReadError;
            return false;
        }
        at += n;
        carried.append(buffer.data(), static_cast<std::size_t>(n));
        const bool last = n == 0;
        text.clear();
        carried.erase(0, decodeUtf8(carried, &text, last, bad));
        if (bad > 0)
            return false;
        feedShape(text, shape);
        if (last)
            return shape.isText();
    }
}

bool TextFileDecoder::readRaw()
{
    const std::size_t had = raw_.size();
    raw_.resize(had + kChunkBytes);
    const ssize_t n = readSome(fd_, raw_.data() + had, kChunkBytes, nullptr);
    raw_.resize(had + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n < 0) {
        cpLog(kLogFailure, "reading an imported file failed: errno %d", errno);
        status_ = Status::ReadError;
        return false;
    }
    atEnd_ = n == 0;
    return n > 0;
}

void TextFileDecoder::decode(std::string& out, bool last)
{
    std::string text;
    std::size_t used = 0;
    bool replacementIsBad = false;
    switch (encoding_) {
    case Encoding::Utf8:
        used = decodeUtf8(raw_, &text, last, dropped_);
        break;
    case Encoding::Utf16LittleEndian:
    case Encoding::Utf16BigEndian:
        used = decodeUtf16(raw_, text, encoding_ == Encoding::Utf16BigEndian, last, pendingHigh_, dropped_);
        break;
    case Encoding::Gbk:
        used = TextCodec::decodeGb18030(raw_, text, last).consumed;
        replacementIsBad = true;
        break;
    }
    raw_.erase(0, used);
    appendClean(text, out, replacementIsBad, dropped_);
}

bool TextFileDecoder::next(std::string& piece)
{
    piece.clear();
    while (status_ == Status::Ready) {
        if (!atEnd_)
            readRaw();
        if (status_ != Status::Ready)
            break;
        decode(piece, atEnd_);
        if (firstPiece_) {
            firstPiece_ = false;
            const std::size_t kept = characterCount(piece);
            if (dropped_ >= kBinaryLeast && dropped_ * kBinaryShare > kept + dropped_) {
                cpLog(kLogFailure, "an imported file is not text: %zu of %zu characters are none",
                      dropped_, kept + dropped_);
                status_ = Status::Binary;
                break;
            }
        }
        if (!piece.empty())
            return true;
        if (atEnd_)
            return false;
    }
    piece.clear();
    return false;
}
