// The address-book window's command table and enabling rules.

#include "contacts/AddressCommands.h"

#include "contacts/AddressBookTexts.h"

namespace {

constexpr int kBook = 1;
constexpr int kFolder = 2;

} // namespace

const std::vector<AddressCommandEntry>& AddressCommands()
{
    using namespace AddressCommand;
    namespace T = AddressText;
    using M = AddressMenu;
    static const std::vector<AddressCommandEntry> commands = {
        {NewCard, T::kNewCard, M::File, true},
        {NewGroup, T::kNewGroup, M::File, true},
        {NewFolder, T::kNewFolder, M::File, true},
        {ImportNumbers, T::kImportNumbers, M::Import, false},
        {ImportNumbersAndNames, T::kImportNumbersAndNames, M::Import, false},
        {ImportAddressBook, T::kImportAddressBook, M::Import, false},
        {Export, T::kExport, M::File, true},
        {Close, T::kClose, M::File, false},
        {Properties, T::kProperties, M::Edit, true},
        {Delete, T::kDelete, M::Edit, true},
        {Find, T::kFind, M::Edit, true},
        {Customize, T::kCustomize, M::View, false},
    };
    return commands;
}

bool IsAddressCommandEnabled(int id, int selectedKind)
{
    using namespace AddressCommand;
    switch (id) {
    case NewGroup:
    case Find:
        return false;
    case NewFolder:
        return selectedKind == kBook;
    case NewCard:
    case Properties:
    case Delete:
    case ImportNumbers:
    case ImportNumbersAndNames:
    case ImportAddressBook:
        return selectedKind == kFolder;
    default:
        return true;
    }
}
