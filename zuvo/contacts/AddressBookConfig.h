#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cfgtree/Config.h"
#include "contacts/FileStamp.h"
#include "spindle/VMutex.h"

// The address book file address.xml (program directory, GB2312, root
// element Config): the column list, then address books with folders with
// contact cards ("AddressBook[b]/Folder[f]/Address[c]"). The store
// singleton below serves the caller-name lookup; the address-book windows
// hold Config objects of their own on the same file and open them with
// OpenAddressBookFile.

// The 34 attributes of a contact card, in the order a new card writes them.
// FirstName holds the family name, SurName the given name.
extern const std::array<const char*, 34> kAddressAttributes;

// A card's values by attribute name; attributes not given are written "".
using AddressCard = std::map<std::string, std::string>;

// The built-in address.xml: 616 bytes of GB2312, the nine list columns and
// two books ("公共地址薄", "个人地址薄") with a folder "默认" each.
std::string AddressBookTemplate();

// Writes the template as a new file. Never replaces a file that exists:
// 0 then, and 0 when it cannot be written (nothing is left behind).
int WriteAddressBookTemplate(const std::string& path);

// Opens directory/address.xml into document. A missing file is restored
// from directory/address-bak.xml when that loads (logged), and else gets
// the template when createWhenMissing. A file that exists but does not
// load is left as it is: 0. The backup is written by the store's Open, not
// this.
int OpenAddressBookFile(Config& document, const std::string& directory, bool createWhenMissing);

// Appends a card under the folder at folderPath with all 34 attributes in
// their order and saves the document: 1 when saved. 0 without the folder, for
// a value that cannot be stored or when the save fails; the card is then
// not in the document either.
int AppendAddressCard(Config& document, const std::string& folderPath, const AddressCard& card);

// Appends the card under the folder at folderPath, whose number of cards
// before it is `position`, with all 34 attributes, without saving: 1 when
// added; 0 when the folder is absent or a value cannot be stored (the card
// is then not in the document either).
int AddAddressCardNode(Config& document, const std::string& folderPath, int position, const AddressCard& card);

class AddressBookConfig : public Config {
public:
    // The program uses GetInstance; own objects serve tools and tests.
    AddressBookConfig() = default;

    // The process's store, created on the first call.
    static AddressBookConfig& GetInstance();

    // Opens address.xml of the program directory (or of directory); true
    // when it loaded, and then saves what it loaded as address-bak.xml
    // (start-up opens the store once a run; the windows' and the picker's
    // loads never write the backup). A missing file is restored from
    // address-bak.xml when that loads; otherwise the store never creates
    // the file. A store that could not be opened
    // tries the same file again at each look-up, so a file made later (by
    // the address book window) serves without a restart.
    bool Open();
    bool Open(const std::string& directory);

    // Finds the first card, in book, folder and card order, whose FaxNum
    // equals number as a whole (letter case aside; no other normalisation).
    // The file is read again first (unless it is the version read last;
    // or opened, when Open could not), so cards saved by any window are
    // seen. 1 with the card's Name and CompanyName ("" when absent); 0 with
    // both empty when the store was never given a directory or its file is
    // still missing, nothing matches or the file cannot be read any more
    // (logged; safe on any thread).
    int FindByFaxNumber(const std::string& number, std::string& name, std::string& company);

    // The Name of the first card of each number, matched as FindByFaxNumber
    // does, from one read of the file: beside the numbers, nothing for a
    // number that no card has (all nothing when the store is not open or
    // the file cannot be read).
    std::vector<std::optional<std::string>> FindNamesByFaxNumbers(const std::vector<std::string>& numbers);

private:
    // Reads the file again (unless it is the version read last) and calls
    // visit({FaxNum, Name, CompanyName}) for each card with a number, in
    // book, folder and card order, until it returns false; false when the
    // store is closed or the file cannot be read. Under lookup_.
    bool VisitCards(const std::string& what, const std::function<bool(const std::vector<std::string>&)>& visit);
    // Loads path_ and notes its version; under lookup_.
    bool OpenFile();

    Spindle::VMutex lookup_; // one lookup at a time: reload and walk belong together
    std::string path_;                // the file of the store; "" until Open; under lookup_
    std::string backup_;              // its backup beside it; under lookup_
    std::optional<FileStamp> loaded_; // the version of it the document holds, under lookup_
};
