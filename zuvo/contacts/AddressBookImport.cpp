// Reading an import's file and adding its cards to the folder.

#include "contacts/AddressBookImport.h"

#include "contacts/ImportText.h"
#include "jotter/Jotter.h"

namespace {

const char* statusText(ImportTextStatus status)
{
    switch (status) {
    case ImportTextStatus::Read: return "read";
    case ImportTextStatus::Unopenable: return "cannot be opened";
    case ImportTextStatus::Binary: return "is not text";
    case ImportTextStatus::TooMany: return "holds too many cards";
    case ImportTextStatus::ReadError: return "cannot be read";
    }
    return "?";
}

bool readTextImport(ImportKind kind, const std::string& path, std::vector<AddressCard>& cards)
{
    ImportedCards read =
        kind == ImportKind::NumberList ? ReadNumberList(path) : ReadNumberAndNameLines(path);
    if (read.status == ImportTextStatus::Unopenable) {
        if (kind == ImportKind::NumberList)
            cpLog(kLogFailure, "startTask open File<%s> failed", path.c_str());
        else
            cpLog(kLogFailure, "打开文件<%s> 失败!", path.c_str());
        return false;
    }
    if (read.status != ImportTextStatus::Read) {
        cpLog(kLogFailure, "the imported file %s %s; nothing imported", path.c_str(), statusText(read.status));
        return false;
    }
    cards = std::move(read.cards);
    return true;
}

} // namespace

bool ImportIntoFolder(AddressBookDocument& document, const FolderRef& folder, ImportKind kind,
                      const std::string& path)
{
    std::vector<AddressCard> cards;
    if (kind == ImportKind::AddressBook) {
        if (!ReadAddressBookFileCards(path, cards, kMaxImportCards)) {
            cpLog(kLogFailure, "the address book %s cannot be merged; nothing imported", path.c_str());
            return false;
        }
    } else if (!readTextImport(kind, path, cards)) {
        return false;
    }
    const ChangeResult result = document.AppendCards(folder, cards);
    if (result != ChangeResult::Done)
        cpLog(kLogFailure, "the %zu cards of %s were not added to the folder", cards.size(), path.c_str());
    return result == ChangeResult::Done;
}
