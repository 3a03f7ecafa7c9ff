// Repeats and the 100-number limit of the To and CC fields.
#include "compose/NumberCheck.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "core/TextUtil.h"
#include "textcodec/Utf8.h"

namespace {

constexpr std::size_t kFieldBytes = 4000;
constexpr int kMaxNumbers = 100;
constexpr std::string_view kFullWidthComma = "，";

std::string Separated(std::string_view field)
{
    return ReplaceAll(field, kFullWidthComma, ",");
}

std::vector<std::string_view> Pieces(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',', start)) {
        pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// The longest start of a UTF-8 text whose GBK form has at most `bytes`
// bytes, cut between characters.
std::string_view FirstGbkBytes(std::string_view text, std::size_t bytes)
{
    if (text.size() <= bytes || ToGbk(text).size() <= bytes) // GBK is never longer than UTF-8
        return text;
    std::size_t used = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = TextCodec::utf8CharacterEnd(text, end);
        used += ToGbk(text.substr(end, next - end)).size();
        if (used > bytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

} // namespace

std::string DroppedNumbersText(int dropped)
{
    return FormatText("收件人号码最多%d个，已略去后面的%d个号码！", kMaxNumbers, dropped);
}

std::vector<std::string> SplitNumbers(std::string_view field)
{
    const std::string separated = Separated(field);
    std::vector<std::string> numbers;
    for (std::string_view number : Pieces(separated))
        if (!number.empty())
            numbers.emplace_back(number);
    return numbers;
}

int CountNumbers(std::string_view text)
{
    const std::string field = Separated(text);
    if (field.empty())
        return 0;
    const int commas = static_cast<int>(std::count(field.begin(), field.end(), ','));
    return field.back() == ',' ? commas : commas + 1;
}

NumberCheck CheckNumbers(std::string_view editedText, std::string_view otherText)
{
    const std::string edited = Separated(editedText);
    const std::string other = Separated(otherText);
    const int otherCount = CountNumbers(other);
    std::unordered_set<std::string_view> listed;
    for (std::string_view number : Pieces(other))
        if (!number.empty())
            listed.insert(number);

    const std::string_view taken = FirstGbkBytes(edited, kFieldBytes);
    const std::vector<std::string_view> pieces = Pieces(taken);
    std::string text;
    int complete = 0;
    int dropped = 0;
    std::size_t i = 0;
    for (; i + 1 < pieces.size(); ++i) { // every piece but the last has its comma
        const std::string_view number = pieces[i];
        if (!number.empty() && !listed.insert(number).second)
            continue; // a repeat: removed with its comma
        if (complete + 1 + otherCount > kMaxNumbers)
            break;
        ++complete;
        text.append(number).push_back(',');
    }
    // Cut at a complete number, or at the last one while it is typed when
    // the hundred are full: what follows goes.
    const bool full = complete + otherCount >= kMaxNumbers && !pieces.back().empty();
    if (i + 1 < pieces.size() || full) {
        for (; i < pieces.size(); ++i)
            dropped += pieces[i].empty() ? 0 : 1;
    } else {
        text.append(pieces.back());
    }
    NumberCheck check;
    check.dropped = dropped;
    check.changed = text != editedText;
    check.total = CountNumbers(text) + otherCount;
    check.text = std::move(text);
    return check;
}
