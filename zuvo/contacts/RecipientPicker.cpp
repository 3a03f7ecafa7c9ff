// The recipient picker's folders, cards and number lists.
#include "contacts/RecipientPicker.h"

#include <algorithm>
#include <unordered_set>

#include "contacts/AddressBookConfig.h"
#include "contacts/AddressBookDocument.h"
#include "textcodec/Utf8.h"

namespace {

constexpr std::size_t kPrefillCharacters = 4000;
constexpr std::size_t kPieceCharacters = 255;

std::string Folded(std::string_view text)
{
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : static_cast<char>(c); });
    return folded;
}

// The order of a sorted list box: by text, letter case ignored.
bool ListBoxLess(const std::string& a, const std::string& b)
{
    return Folded(a) < Folded(b);
}

// The first `count` characters of a UTF-8 text (never half a character).
std::string FirstCharacters(const std::string& text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size() && seen < count; ++seen)
        end = TextCodec::utf8CharacterEnd(text, end);
    return text.substr(0, end);
}

std::string Joined(const std::vector<std::string>& list)
{
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i)
        joined += (i == 0 ? "" : ",") + list[i];
    return joined;
}

} // namespace

RecipientPicker::RecipientPicker(const std::string& directory, std::string allText)
{
    open_ = OpenAddressBookFile(document_, directory, false) == 1;
    if (!open_)
        return;
    const std::vector<BookEntry> books = ReadBookTree(document_);
    for (std::size_t b = 0; b < books.size(); ++b)
        for (std::size_t f = 0; f < books[b].folders.size(); ++f) {
            folderNames_.push_back(books[b].folders[f]);
            folderPaths_.push_back(FolderRef{static_cast<int>(b), static_cast<int>(f), {}, {}}.Path());
        }
    folderNames_.push_back(std::move(allText));
    folderPaths_.emplace_back();
}

int RecipientPicker::FolderIndexOf(const std::string& text, int current) const
{
    if (current >= 0 && current < static_cast<int>(folderNames_.size()) && folderNames_[current] == text)
        return current;
    const auto found = std::find(folderNames_.begin(), folderNames_.end(), text);
    return found == folderNames_.end() ? -1 : static_cast<int>(found - folderNames_.begin());
}

std::vector<PickerCard> RecipientPicker::Cards(int index)
{
    std::vector<PickerCard> cards;
    if (!open_ || index < 0 || index >= static_cast<int>(folderPaths_.size()))
        return cards;
    const std::string path =
        index == AllIndex() ? std::string("AddressBook/Folder/Address") : folderPaths_[index] + "/Address";
    std::vector<std::vector<std::string>> rows;
    document_.getNodesAttr(path.c_str(), {"Name", "FaxNum", "CompanyName"}, rows);
    cards.reserve(rows.size());
    for (auto& row : rows)
        cards.push_back({std::move(row[0]), std::move(row[1]), std::move(row[2])});
    return cards;
}

void RecipientPicker::Prefill(std::vector<std::string>& list, const std::string& numbers)
{
    const std::string text = FirstCharacters(numbers, kPrefillCharacters);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        list.push_back(FirstCharacters(text.substr(start, end - start), kPieceCharacters));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    std::stable_sort(list.begin(), list.end(), ListBoxLess);
}

void RecipientPicker::Remove(std::vector<std::string>& list, int index)
{
    if (index >= 0 && index < static_cast<int>(list.size()))
        list.erase(list.begin() + index);
}

bool RecipientPicker::Add(std::vector<std::string>& list, const std::vector<PickerCard>& cards,
                          const RepeatReport& report)
{
    std::unordered_set<std::string> listed;
    for (const std::vector<std::string>* side : {&to_, &cc_})
        for (const std::string& number : *side)
            listed.insert(Folded(number));
    const std::size_t before = list.size();
    for (const PickerCard& card : cards) {
        if (!listed.insert(Folded(card.faxNumber)).second) {
            if (report)
                report(card.faxNumber);
            continue;
        }
        list.push_back(card.faxNumber);
    }
    const auto added = list.begin() + static_cast<std::ptrdiff_t>(before);
    std::stable_sort(added, list.end(), ListBoxLess);
    std::inplace_merge(list.begin(), added, list.end(), ListBoxLess);
    return list.size() > before;
}

void RecipientPicker::AddToTo(const std::vector<PickerCard>& cards, const RepeatReport& report)
{
    if (cards.empty())
        return;
    last_ = {cards.back().name, cards.back().company};
    if (Add(to_, cards, report))
        addedToTo_ = true;
}

void RecipientPicker::AddToCc(const std::vector<PickerCard>& cards, const RepeatReport& report)
{
    Add(cc_, cards, report);
}

std::string RecipientPicker::GetToList() const
{
    return Joined(to_);
}

std::string RecipientPicker::GetCcList() const
{
    return Joined(cc_);
}

std::optional<PickedContact> RecipientPicker::Picked() const
{
    if (!addedToTo_)
        return std::nullopt;
    return last_;
}
