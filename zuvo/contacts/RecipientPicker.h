#pragma once

// The recipient picker without widgets: the folders of address.xml, the
// cards of one folder or of all, and the two lists of fax numbers the user
// builds from them, recipients (To) and copies (CC).
//
// The picker reads its own document of address.xml, opened once and never
// created; without the file there are no folders and no cards, and the
// lists still work. Each list is kept sorted as a sorted list box sorts its
// entries: by text with letter case ignored, equal entries in the order
// they came. A number counts as listed when either list holds it in any
// letter case.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cfgtree/Config.h"

namespace PickerText {
inline constexpr const char* kTitle = "地址选择";
inline constexpr const char* kFolderLabel = "地址薄：";
inline constexpr const char* kAllChinese = "所有人";
inline constexpr const char* kAllEnglish = "All";
inline constexpr const char* kNameColumn = "名字";
inline constexpr const char* kFaxColumn = "传真号码";
inline constexpr const char* kCompanyColumn = "公司名称";
inline constexpr const char* kToCaption = "收件人";
inline constexpr const char* kCcCaption = "抄送";
inline constexpr const char* kRepeated = "该号码已经存在！";
} // namespace PickerText

// One row of the card list.
struct PickerCard {
    std::string name;
    std::string faxNumber;
    std::string company;

    bool operator==(const PickerCard&) const = default;
};

// The name and company that the compose window takes for the fax.
struct PickedContact {
    std::string name;
    std::string company;
};

class RecipientPicker {
public:
    // Opens directory/address.xml (never creating it). allText names the
    // entry that stands for all folders ("所有人" or "All").
    RecipientPicker(const std::string& directory, std::string allText);

    // The folder entries: every folder's Name in book and folder order, then
    // the entry for all folders; none when address.xml did not open.
    const std::vector<std::string>& FolderNames() const { return folderNames_; }
    // The entry for all folders; -1 when there are no entries.
    int AllIndex() const { return folderNames_.empty() ? -1 : static_cast<int>(folderNames_.size()) - 1; }
    // The entry a combo text stands for: `current` when that entry has this
    // text, else the first entry of the text; -1 when no entry has it.
    int FolderIndexOf(const std::string& text, int current) const;

    // The cards of entry `index` in document order; those of every book and
    // folder for the entry for all folders; none for an index without entry.
    std::vector<PickerCard> Cards(int index);

    // Splits a comma-joined prefill into the list: every piece unchecked,
    // an empty piece only where it is not the last (the text is taken up to
    // 4000 characters, each piece up to 255).
    void PrefillTo(const std::string& numbers) { Prefill(to_, numbers); }
    void PrefillCc(const std::string& numbers) { Prefill(cc_, numbers); }

    // Called with a number that is passed over because it is listed
    // already; a null report passes repeats over silently (the add-all
    // buttons).
    using RepeatReport = std::function<void(const std::string& number)>;

    // Adds the cards' numbers to To or CC, in order, passing over those
    // listed already (also when two of the cards share a number). An add to
    // To makes the last card given the picked contact, even when its own
    // number was passed over. Linear in the cards and the lists' lengths
    // (but for the sort of what was added).
    void AddToTo(const std::vector<PickerCard>& cards, const RepeatReport& report);
    void AddToCc(const std::vector<PickerCard>& cards, const RepeatReport& report);

    // Removes entry index of the list; nothing for an index without entry.
    void RemoveTo(int index) { Remove(to_, index); }
    void RemoveCc(int index) { Remove(cc_, index); }

    const std::vector<std::string>& To() const { return to_; }
    const std::vector<std::string>& Cc() const { return cc_; }
    // The entries joined with "," in list order.
    std::string GetToList() const;
    std::string GetCcList() const;

    // The card of the last add to To, once a number has been added to To;
    // nothing before (so an OK that added no recipient changes no name).
    std::optional<PickedContact> Picked() const;
    // The last card given to To whose number is among `numbers` (those the
    // fax keeps after its number check); nothing before a number was added
    // to To, or when no such card's number is kept.
    std::optional<PickedContact> PickedAmong(const std::vector<std::string>& numbers) const;

private:
    static void Prefill(std::vector<std::string>& list, const std::string& numbers);
    static void Remove(std::vector<std::string>& list, int index);
    // Merges the numbers of the cards not yet listed into `list`; true
    // when any was added.
    bool Add(std::vector<std::string>& list, const std::vector<PickerCard>& cards, const RepeatReport& report);

    Config document_;
    bool open_ = false;
    std::vector<std::string> folderNames_;
    std::vector<std::string> folderPaths_; // beside folderNames_, "" for all folders
    std::vector<std::string> to_;
    std::vector<std::string> cc_;
    PickedContact last_;
    std::vector<PickerCard> toCards_; // every card given to To, in order
    bool addedToTo_ = false;
};
