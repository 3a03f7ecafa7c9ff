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

int CountNumbers(std::string_view field)
{
    if (field.empty())
        return 0;
    const int commas = static_cast<int>(std::count(field.begin(), field.end(), ','));
    return field.back() == ',' ? commas : commas + 1;
}

NumberCheck CheckNumbers(std::string_view edited, std::string_view other)
{
    const int otherCount = CountNumbers(other);
    std::unordered_set<std::string_view> listed;
    for (std::string_view number : Pieces(other))
        if (!number.empty())
            listed.insert(number);

    const std::string_view taken = FirstGbkBytes(edited, kFieldBytes);
    const std::vector<std::string_view> pieces = Pieces(taken);
    std::string text;
    int complete = 0;
    bool cut = false;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) { // every piece but the last has its comma
        const std::string_view number = pieces[i];
        if (!number.empty() && !listed.insert(number).second)
            continue; // a repeat: removed with its comma
        if (complete + 1 + otherCount > kMaxNumbers) {
            cut = true;
            break;
        }
        ++complete;
        text.append(number).push_back(',');
    }
    if (!cut)
        text.append(pieces.back());
    NumberCheck check;
    check.changed = text != edited;
    check.total = CountNumbers(text) + otherCount;
    check.text = std::move(text);
    return check;
}
