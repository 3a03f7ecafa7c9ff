#pragma once

#include <cstddef>
#include <string>

// Reads an outside text file piece by piece as clean UTF-8 (see
// ImportText.h for the rules: regular files only, UTF-8 / UTF-16 with a
// byte-order mark / GBK, characters XML cannot hold dropped, binary files
// refused). Each piece holds whole characters only.
class TextFileDecoder {
public:
    enum class Status { Ready, Unopenable, Binary, ReadError };
    enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Gbk };

    explicit TextFileDecoder(const std::string& path);
    ~TextFileDecoder();
    TextFileDecoder(const TextFileDecoder&) = delete;
    TextFileDecoder& operator=(const TextFileDecoder&) = delete;

    // Ready until the file proves unopenable or binary, or a read fails.
    Status status() const { return status_; }
    Encoding encoding() const { return encoding_; }

    // The next piece of text; false at the end of the file or once the
    // status is not Ready.
    bool next(std::string& piece);

private:
    // Fills raw_ from the file; false at its end or on an error.
    bool readRaw();
    // Whether the file (without a byte-order mark) is read as UTF-8: it is
    // valid UTF-8 and its UTF-8 reading is plainly text (see the .cpp).
    bool readsAsUtf8Text();
    void detectEncoding();
    // Decodes raw_ (all of it when `last`) into clean text appended to out.
    void decode(std::string& out, bool last);

    int fd_ = -1;
    Status status_ = Status::Ready;
    Encoding encoding_ = Encoding::Utf8;
    std::string raw_;          // bytes read and not yet decoded
    bool atEnd_ = false;
    bool firstPiece_ = true;   // the binary test looks at the first piece
    unsigned pendingHigh_ = 0; // UTF-16: a high surrogate waiting for its low half
    std::size_t dropped_ = 0;  // characters and sequences dropped from the piece being made
};
