// The address-book window's document: the tree, the list rows of a folder,
// and every change made as one reload-check-change-save under the lock of
// all address-book documents of the process.

#include "contacts/AddressBookDocument.h"

#include <algorithm>
#include <filesystem>

#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"

namespace {

const std::vector<std::string>& cardAttributeNames()
{
    static const std::vector<std::string> names(kAddressAttributes.begin(), kAddressAttributes.end());
    return names;
}

std::string cardsPath(const FolderRef& folder)
{
    return folder.Path() + "/Address";
}

std::string cardPath(const FolderRef& folder, int index)
{
    return FormatText("%s/Address[%d]", folder.Path().c_str(), index);
}

std::vector<std::string> namesOf(Config& document, const std::string& path)
{
    std::vector<std::vector<std::string>> rows;
    document.getNodesAttr(path.c_str(), {"Name"}, rows);
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (std::vector<std::string>& row : rows)
        names.push_back(std::move(row[0]));
    return names;
}

bool nameTaken(const std::vector<std::string>& names, const std::string& name, int except = -1)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (static_cast<int>(i) != except && EqualsNoCase(names[i], name))
            return true;
    return false;
}

// The card's 34 values read in one walk: the attributes of the card list,
// then the columns' keys that are no card attribute ("CompnayFaxNum").
struct RowReader {
    std::vector<std::string> names = cardAttributeNames();
    std::vector<std::size_t> cellOf; // per column: its place in names

    explicit RowReader(const std::vector<ListColumn>& columns)
    {
        for (const ListColumn& column : columns) {
            auto known = std::find_if(names.begin(), names.end(),
                                      [&](const std::string& name) { return EqualsNoCase(name, column.key); });
            if (known == names.end()) {
                names.push_back(column.key);
                known = names.end() - 1;
            }
            cellOf.push_back(static_cast<std::size_t>(known - names.begin()));
        }
    }
};

std::vector<ListColumn> readColumns(Config& document)
{
    std::vector<std::vector<std::string>> headers;
    document.getNodesAttr("Headers/Header", {"Name", "Key"}, headers);
    std::vector<ListColumn> columns;
    for (std::size_t i = 0; i < headers.size() && i < kMaxListColumns; ++i)
        columns.push_back({headers[i][0], headers[i][1]});
    return columns;
}

std::uint64_t fingerprintOf(const std::vector<std::string>& row)
{
    return CardFingerprint(std::vector<std::string>(row.begin(), row.begin() + kAddressAttributes.size()));
}

} // namespace

std::mutex& AddressBookFileLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<BookEntry> ReadBookTree(Config& document)
{
    std::vector<BookEntry> books;
    if (!document.isOpen())
        return books;
    const std::vector<std::string> bookNames = namesOf(document, "AddressBook");
    for (std::size_t b = 0; b < bookNames.size(); ++b)
        books.push_back({bookNames[b], namesOf(document, FormatText("AddressBook[%zu]/Folder", b))});
    return books;
}

std::string FolderRef::Path() const
{
    return IsFolder() ? FormatText("AddressBook[%d]/Folder[%d]", book, folder) : std::string();
}

std::uint64_t CardFingerprint(const std::vector<std::string>& values)
{
    // FNV-1a over each value and its length, so that values cannot run into
    // each other.
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ull;
    };
    for (const std::string& value : values) {
        for (char c : value)
            mix(static_cast<unsigned char>(c));
        for (int shift = 0; shift < 32; shift += 8)
            mix(static_cast<unsigned char>(value.size() >> shift));
    }
    return hash;
}

AddressBookDocument::AddressBookDocument(std::string directory)
    : directory_(std::move(directory)), path_(JoinPath(directory_, "address.xml"))
{
}

bool AddressBookDocument::Open()
{
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    std::error_code error;
    const bool existed = std::filesystem::exists(path_, error) || error;
    try {
        const std::optional<FileStamp> stamp = FileStamp::Of(path_);
        const bool opened = OpenAddressBookFile(document_, directory_, true) == 1;
        createdFile_ = opened && !existed;
        loaded_ = existed ? stamp : FileStamp::Of(path_);
        return opened;
    } catch (const ConfigError& e) {
        cpLog(kLogFailure, "address book: %s", e.what());
        return false;
    }
}

bool AddressBookDocument::IsOpen()
{
    return document_.isOpen() == 1;
}

bool AddressBookDocument::reloadLocked()
{
    if (!document_.isOpen())
        return false;
    // The stamp is taken before the file is read: a version saved while it
    // is read has another one and is read next time.
    const std::optional<FileStamp> stamp = FileStamp::Of(path_);
    if (stamp && stamp == loaded_)
        return true;
    if (document_.reload()) {
        loaded_ = stamp;
        return true;
    }
    cpLog(kLogFailure, "address.xml does not load any more; the address book keeps what it read last");
    return false;
}

void AddressBookDocument::revertLocked()
{
    const std::optional<FileStamp> stamp = FileStamp::Of(path_);
    loaded_ = document_.reload() ? stamp : std::nullopt;
}

std::vector<BookEntry> AddressBookDocument::Books()
{
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    reloadLocked();
    return ReadBookTree(document_);
}

bool AddressBookDocument::folderIsThere(const FolderRef& folder)
{
    if (!folder.IsFolder())
        return false;
    const std::string book = FormatText("AddressBook[%d]", folder.book);
    return document_.getNodeCnt(folder.Path().c_str()) == 1 &&
           document_.getNodeAttr(book.c_str(), "Name") == folder.bookName &&
           document_.getNodeAttr(folder.Path().c_str(), "Name") == folder.folderName;
}

bool AddressBookDocument::cardIsThere(const FolderRef& folder, const CardRef& card)
{
    std::vector<std::vector<std::string>> rows;
    return card.index >= 0 && folderIsThere(folder) &&
           document_.getNodesAttr(cardPath(folder, card.index).c_str(), cardAttributeNames(), rows) == 1 &&
           CardFingerprint(rows[0]) == card.fingerprint;
}

bool AddressBookDocument::ReadFolder(const FolderRef& folder, FolderRows& rows)
{
    rows = {};
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    if (!IsOpen())
        return false;
    reloadLocked();
    rows.columns = readColumns(document_);
    if (!folderIsThere(folder))
        return false;
    const RowReader reader(rows.columns);
    std::vector<std::vector<std::string>> cards;
    document_.getNodesAttr(cardsPath(folder).c_str(), reader.names, cards);
    rows.rows.reserve(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        ContactRow& row = rows.rows.emplace_back();
        row.card = {static_cast<int>(i), fingerprintOf(cards[i])};
        row.cells.reserve(reader.cellOf.size());
        for (std::size_t cell : reader.cellOf)
            row.cells.push_back(cards[i][cell]);
    }
    return true;
}

ChangeResult AddressBookDocument::ReadCard(const FolderRef& folder, const CardRef& card, StoredCard& stored)
{
    stored.clear();
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    if (!reloadLocked())
        return ChangeResult::Failed;
    if (!cardIsThere(folder, card))
        return ChangeResult::Moved;
    const std::string path = cardPath(folder, card.index);
    for (const char* attribute : kAddressAttributes) {
        std::string value;
        if (document_.getNodeAttr(path.c_str(), attribute, value))
            stored[attribute] = value;
    }
    return ChangeResult::Done;
}

template <typename Change>
ChangeResult AddressBookDocument::change(Change&& work)
{
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    try {
        if (!reloadLocked())
            return ChangeResult::Failed;
        const ChangeResult result = work();
        if (result == ChangeResult::Done && document_.save()) {
            loaded_ = FileStamp::Of(path_);
            return result;
        }
        if (result == ChangeResult::Done || result == ChangeResult::Failed) {
            cpLog(kLogFailure, "address.xml was not changed: %s",
                  result == ChangeResult::Done ? "the save failed" : "refused");
            revertLocked();
            return ChangeResult::Failed;
        }
        return result;
    } catch (const ConfigError& e) {
        cpLog(kLogFailure, "address book: %s", e.what());
        revertLocked();
        return ChangeResult::Failed;
    }
}

ChangeResult AddressBookDocument::AddFolder(int book, const std::string& bookName, const std::string& name)
{
    return change([&] {
        const std::string bookPath = FormatText("AddressBook[%d]", book);
        if (book < 0 || document_.getNodeCnt(bookPath.c_str()) != 1 ||
            document_.getNodeAttr(bookPath.c_str(), "Name") != bookName)
            return ChangeResult::Moved;
        if (name.empty() || nameTaken(namesOf(document_, bookPath + "/Folder"), name))
            return ChangeResult::Refused;
        return document_.addNode(bookPath.c_str(), "Folder", "", "", "") && document_.addNodeAttr("Name", name.c_str())
                   ? ChangeResult::Done
                   : ChangeResult::Failed;
    });
}

ChangeResult AddressBookDocument::RenameFolder(const FolderRef& folder, const std::string& name)
{
    if (EqualsNoCase(name, folder.folderName))
        return ChangeResult::Done;
    return change([&] {
        if (!folderIsThere(folder))
            return ChangeResult::Moved;
        const std::string folders = FormatText("AddressBook[%d]/Folder", folder.book);
        if (name.empty() || nameTaken(namesOf(document_, folders), name, folder.folder))
            return ChangeResult::Refused;
        return document_.setNodeAttr(folder.Path().c_str(), "Name", name.c_str()) ? ChangeResult::Done
                                                                                  : ChangeResult::Failed;
    });
}

ChangeResult AddressBookDocument::DeleteFolder(const FolderRef& folder)
{
    return change([&] {
        if (!folderIsThere(folder))
            return ChangeResult::Moved;
        return document_.removeNode(folder.Path().c_str()) ? ChangeResult::Done : ChangeResult::Failed;
    });
}

ChangeResult AddressBookDocument::AddCard(const FolderRef& folder, const AddressCard& card)
{
    return change([&] {
        if (!folderIsThere(folder))
            return ChangeResult::Moved;
        const int position = document_.getNodeCnt(cardsPath(folder).c_str());
        return AddAddressCardNode(document_, folder.Path(), position, card) ? ChangeResult::Done
                                                                            : ChangeResult::Failed;
    });
}

ChangeResult AddressBookDocument::EditCard(const FolderRef& folder, const CardRef& card, const AddressCard& typed)
{
    return change([&] {
        if (!cardIsThere(folder, card))
            return ChangeResult::Moved;
        const std::string path = cardPath(folder, card.index);
        for (const char* attribute : kAddressAttributes) {
            const auto value = typed.find(attribute);
            if (value == typed.end())
                continue;
            const bool has = document_.hasNodeAttr(path.c_str(), attribute);
            if (!has && value->second.empty())
                continue; // an empty field adds nothing
            const bool written = has ? document_.setNodeAttr(path.c_str(), attribute, value->second.c_str())
                                     : document_.addNodeAttr(path.c_str(), attribute, value->second.c_str());
            if (!written)
                return ChangeResult::Failed;
        }
        return ChangeResult::Done;
    });
}

ChangeResult AddressBookDocument::DeleteCards(const FolderRef& folder, const std::vector<CardRef>& cards)
{
    return change([&] {
        if (!folderIsThere(folder))
            return ChangeResult::Moved;
        std::vector<std::vector<std::string>> stored;
        document_.getNodesAttr(cardsPath(folder).c_str(), cardAttributeNames(), stored);
        std::vector<int> indexes;
        for (const CardRef& card : cards) {
            if (card.index < 0 || static_cast<std::size_t>(card.index) >= stored.size() ||
                CardFingerprint(stored[card.index]) != card.fingerprint)
                return ChangeResult::Moved;
            indexes.push_back(card.index);
        }
        // From the last to the first, so that the indexes before stay valid.
        std::sort(indexes.begin(), indexes.end(), std::greater<>());
        indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
        for (int index : indexes)
            if (!document_.removeNode(cardPath(folder, index).c_str()))
                return ChangeResult::Failed;
        return ChangeResult::Done;
    });
}

ChangeResult AddressBookDocument::AppendCards(const FolderRef& folder, const std::vector<AddressCard>& cards)
{
    return change([&] {
        if (!folderIsThere(folder))
            return ChangeResult::Moved;
        const std::string path = folder.Path();
        int position = document_.getNodeCnt(cardsPath(folder).c_str());
        for (const AddressCard& card : cards) {
            if (AddAddressCardNode(document_, path, position, card))
                ++position;
            else
                cpLog(kLogFailure, "addTaskDetial Failed");
        }
        return ChangeResult::Done;
    });
}

bool AddressBookDocument::ExportTo(const std::string& path)
{
    std::lock_guard<std::mutex> lock(AddressBookFileLock());
    if (!IsOpen() || path.empty())
        return false;
    reloadLocked();
    if (document_.save(path.c_str()))
        return true;
    cpLog(kLogFailure, "cannot export the address book to %s", path.c_str());
    return false;
}

bool ReadAddressBookFileCards(const std::string& path, std::vector<AddressCard>& cards, std::size_t maxCards)
{
    cards.clear();
    Config other;
    try {
        if (!other.open(path.c_str()))
            return false;
        std::vector<std::vector<std::string>> rows;
        if (static_cast<std::size_t>(other.getNodeCnt("AddressBook/Folder/Address")) > maxCards)
            return false;
        other.getNodesAttr("AddressBook/Folder/Address", cardAttributeNames(), rows);
        cards.reserve(rows.size());
        for (const std::vector<std::string>& row : rows) {
            AddressCard& card = cards.emplace_back();
            for (std::size_t i = 0; i < kAddressAttributes.size(); ++i)
                card[kAddressAttributes[i]] = row[i];
        }
        return true;
    } catch (const ConfigError& e) {
        cpLog(kLogFailure, "cannot read the address book %s: %s", path.c_str(), e.what());
        cards.clear();
        return false;
    }
}
