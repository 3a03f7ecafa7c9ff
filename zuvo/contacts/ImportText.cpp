// The two text imports of the address book: a list of fax numbers, and
// lines of a number and a name, read from a decoded stream and cut by the
// GBK bytes that address.xml will hold.

#include "contacts/ImportText.h"

#include "contacts/TextFileDecoder.h"
#include "textcodec/Gbk.h"
#include "textcodec/Utf8.h"

namespace {

constexpr std::size_t kTokenBytes = 47;
constexpr std::size_t kLineBytes = 1023;
constexpr std::size_t kFieldBytes = 255;
constexpr std::size_t kShortestLine = 8;

// Bytes of the character at `at` of well-formed UTF-8.
std::size_t characterLength(std::string_view utf8, std::size_t at)
{
    return TextCodec::utf8CharacterEnd(utf8, at) - at;
}

AddressCard numberCard(const std::string& number)
{
    return {{"Name", number},       {"FaxNum", number},      {"FirstName", number},
            {"HomeFaxNum", number}, {"CompanyName", number}, {"CompanyFaxNum", number}};
}

AddressCard numberAndNameCard(const std::string& number, const std::string& name)
{
    return {{"Name", name},         {"FaxNum", number},      {"FirstName", name},
            {"HomeFaxNum", number}, {"CompanyName", name},   {"CompanyFaxNum", number}};
}

// Collects the cards of one import up to its limit.
class CardCollector {
public:
    explicit CardCollector(std::size_t limit) : limit_(limit) {}

    void add(AddressCard card)
    {
        if (result_.cards.size() >= limit_) {
            tooMany_ = true;
            return;
        }
        result_.cards.push_back(std::move(card));
    }
    bool full() const { return tooMany_; }

    ImportedCards finish(const TextFileDecoder& file)
    {
        switch (file.status()) {
        case TextFileDecoder::Status::Ready: result_.status = ImportTextStatus::Read; break;
        case TextFileDecoder::Status::Unopenable: result_.status = ImportTextStatus::Unopenable; break;
        case TextFileDecoder::Status::Binary: result_.status = ImportTextStatus::Binary; break;
        case TextFileDecoder::Status::ReadError: result_.status = ImportTextStatus::ReadError; break;
        }
        if (tooMany_)
            result_.status = ImportTextStatus::TooMany;
        if (result_.status != ImportTextStatus::Read)
            result_.cards.clear();
        return std::move(result_);
    }

private:
    std::size_t limit_;
    bool tooMany_ = false;
    ImportedCards result_;
};

// A text kept up to a number of GBK bytes; what comes after a character
// that no longer fits is ignored.
class BoundedText {
public:
    explicit BoundedText(std::size_t limit) : limit_(limit) {}

    void append(std::string_view character)
    {
        if (!full_)
            full_ = !AppendWithinGbkLimit(text_, bytes_, character, limit_);
    }
    const std::string& text() const { return text_; }
    std::size_t bytes() const { return bytes_; }
    bool empty() const { return text_.empty(); }
    void clear()
    {
        text_.clear();
        bytes_ = 0;
        full_ = false;
    }

private:
    std::size_t limit_;
    std::string text_;
    std::size_t bytes_ = 0;
    bool full_ = false;
};

bool isNumberListSeparator(char c)
{
    return c == '|' || c == ';' || c == ',' || c == '\r' || c == '\n';
}

// One line of the number-and-name import, without its line end;
// `lineBytes` counts the line end too.
void addNumberAndName(const std::string& line, std::size_t lineBytes, CardCollector& cards)
{
    if (lineBytes < kShortestLine)
        return;
    const std::size_t separator = line.find_first_of("|;, \t");
    if (separator == std::string::npos || separator == 0)
        return;
    std::string number, name;
    std::size_t numberBytes = 0, nameBytes = 0;
    AppendWithinGbkLimit(number, numberBytes, std::string_view(line).substr(0, separator), kFieldBytes);
    std::size_t start = line.find_first_not_of(" \t", separator + 1);
    if (start != std::string::npos)
        AppendWithinGbkLimit(name, nameBytes, std::string_view(line).substr(start), kFieldBytes);
    cards.add(numberAndNameCard(number, name));
}

} // namespace

std::size_t GbkByteCount(std::string_view utf8)
{
    std::string gbk;
    TextCodec::encodeGb18030(utf8, gbk, TextCodec::Repertoire::Gbk, TextCodec::OnMissing::Question, true);
    return gbk.size();
}

bool AppendWithinGbkLimit(std::string& kept, std::size_t& keptBytes, std::string_view utf8, std::size_t limit)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t length = characterLength(utf8, i);
        const std::string_view character = utf8.substr(i, length);
        const std::size_t bytes = length == 1 ? 1 : GbkByteCount(character);
        if (keptBytes + bytes > limit)
            return false;
        kept.append(character);
        keptBytes += bytes;
        i += length;
    }
    return true;
}

ImportedCards ReadNumberList(const std::string& path, std::size_t maxCards)
{
    TextFileDecoder file(path);
    CardCollector cards(maxCards);
    BoundedText token(kTokenBytes);
    auto endToken = [&] {
        if (!token.empty())
            cards.add(numberCard(token.text()));
        token.clear();
    };
    std::string piece;
    while (!cards.full() && file.next(piece)) {
        for (std::size_t i = 0; i < piece.size() && !cards.full();) {
            if (isNumberListSeparator(piece[i])) {
                endToken();
                ++i;
                continue;
            }
            const std::size_t length = characterLength(piece, i);
            token.append(std::string_view(piece).substr(i, length));
            i += length;
        }
    }
    if (!cards.full() && file.status() == TextFileDecoder::Status::Ready)
        endToken();
    return cards.finish(file);
}

ImportedCards ReadNumberAndNameLines(const std::string& path, std::size_t maxCards)
{
    TextFileDecoder file(path);
    CardCollector cards(maxCards);
    BoundedText line(kLineBytes);
    bool afterCr = false; // a CR ended the line; an LF right after it belongs to that end
    bool inLine = false;  // characters seen since the last line end
    auto endLine = [&](std::size_t endBytes) {
        addNumberAndName(line.text(), line.bytes() + endBytes, cards);
        line.clear();
        inLine = false;
    };
    std::string piece;
    while (!cards.full() && file.next(piece)) {
        for (std::size_t i = 0; i < piece.size() && !cards.full();) {
            const char c = piece[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n') {
                    endLine(2);
                    ++i;
                    continue;
                }
                endLine(1);
            }
            if (c == '\r') {
                afterCr = true;
                ++i;
                continue;
            }
            if (c == '\n') {
                endLine(1);
                ++i;
                continue;
            }
            const std::size_t length = characterLength(piece, i);
            line.append(std::string_view(piece).substr(i, length));
            inLine = true;
            i += length;
        }
    }
    if (!cards.full() && file.status() == TextFileDecoder::Status::Ready) {
        if (afterCr)
            endLine(1);
        else if (inLine)
            endLine(0);
    }
    return cards.finish(file);
}
