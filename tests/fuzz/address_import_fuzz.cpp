// A text file imported into the address book (a list of fax numbers, or
// lines of a number and a name): each of the two readers ends, keeps its
// limits (cards, bytes of a number, a name), and gives cards that
// address.xml holds: added to a new book, saved and read back, every value
// comes back as it was.
#include <string>

#include "FuzzSupport.h"
#include "cfgtree/Config.h"
#include "contacts/AddressBookConfig.h"
#include "contacts/ImportText.h"

namespace {

// Few cards, so that the limit is reached too.
constexpr std::size_t kMaxCards = 64;

void CheckCards(const ImportedCards& read, std::size_t maxFieldBytes, const char* numberKey)
{
    if (read.status != ImportTextStatus::Read) {
        if (!read.cards.empty())
            fuzz::Fault("a refused file gave cards");
        return;
    }
    if (read.cards.size() > kMaxCards)
        fuzz::Fault("more cards than the limit");
    for (const AddressCard& card : read.cards)
        for (const auto& [key, value] : card)
            if (GbkByteCount(value) > maxFieldBytes || (key == numberKey && value.empty()))
                fuzz::Fault("a value over its limit, or a card without a number");

    // The cards go into a book as the import adds them, and come back.
    static const std::string book = [] {
        const std::string path = fuzz::ScratchDirectory() + "/address.xml";
        if (WriteAddressBookTemplate(path) != 1)
            fuzz::Fault("no address book to import into");
        return path;
    }();
    Config document;
    if (document.open(book.c_str()) != 1)
        fuzz::Fault("the template does not open");
    const std::string folder = "AddressBook[0]/Folder[0]";
    for (std::size_t i = 0; i < read.cards.size(); ++i)
        if (AddAddressCardNode(document, folder, static_cast<int>(i), read.cards[i]) != 1)
            fuzz::Fault("an imported card cannot be added");
    const std::string saved = fuzz::ScratchDirectory() + "/saved.xml";
    if (document.save(saved.c_str()) != 1)
        fuzz::Fault("the book with the imported cards cannot be saved");
    Config reopened;
    if (reopened.open(saved.c_str()) != 1)
        fuzz::Fault("the saved book does not open");
    for (std::size_t i = 0; i < read.cards.size(); ++i) {
        const std::string path = folder + "/Address[" + std::to_string(i) + "]";
        for (const auto& [key, value] : read.cards[i])
            if (reopened.getNodeAttr(path.c_str(), key.c_str()) != value)
                fuzz::Fault("an imported value came back changed");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    const std::string input = fuzz::WriteScratch("import.txt", data, size);
    CheckCards(ReadNumberList(input, kMaxCards), 47, "FaxNum");
    CheckCards(ReadNumberAndNameLines(input, kMaxCards), 255, "FaxNum");
    return 0;
}
