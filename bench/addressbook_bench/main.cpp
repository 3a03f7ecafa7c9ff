// addressbook_bench: what the address book costs as it grows.
//
// For a book of N cards (N = 1,000 and 10,000 by default, all in the first
// folder, each with the 34 attributes) it times, in this process on Qt's
// offscreen platform, as CPU time (the short ones the median of five):
// opening the address-book window (file, backup, tree
// and list columns), filling the list with the folder's N cards and sorting
// it by name, FindByFaxNumber for the first card, the last and a missing
// number (each a look at the file's stamp and one walk of the cards), the
// recipient picker's add-all of the folder's N cards to To while half of
// their numbers stand in CC, importing N fax numbers
// into an empty folder (one save), and deleting N/10 selected cards (one
// save) - at 10,000 cards: importing 10,000 numbers and deleting 1,000. It
// prints each figure for both sizes and their ratio, which stays near the
// ratio of the sizes (10) where the cost is linear or n log n, and would be
// near its square (100) where quadratic. Every result is checked; a wrong
// one exits 1. Time never fails it.
//
//   addressbook_bench [--small N] [--large N]

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchRun.h"
#include "contacts/AddressBookConfig.h"
#include "contacts/AddressBookDocument.h"
#include "contacts/AddressBookImport.h"
#include "contacts/RecipientPicker.h"
#include "contacts/qt/AddrListView.h"
#include "contacts/qt/AddressFrm.h"
#include "contacts/qt/ContactTableModel.h"
#include "core/TextUtil.h"

namespace {

[[noreturn]] void wrong(const char* what)
{
    std::fprintf(stderr, "addressbook_bench: wrong result: %s\n", what);
    std::exit(1);
}

// The CPU time of a call (the machine may be shared: waiting for a CPU is
// not the program's cost).
double millis(const std::function<void()>& run)
{
    const double start = benchrun::cpuNowMs();
    run();
    return benchrun::cpuNowMs() - start;
}

// The median CPU time of five calls, for the short ones.
double medianMillis(const std::function<void()>& run)
{
    bool ok = true;
    return benchrun::inProcessMs(5, [&] {
        run();
        return true;
    }, ok);
}

std::string number(int i)
{
    return FormatText("010-%07d", i);
}

// address.xml with n cards in the first folder and an empty second one.
void writeBook(const std::string& directory, int n)
{
    std::string xml = AddressBookTemplate();
    std::string cards;
    for (int i = 0; i < n; ++i) {
        cards += "<Address";
        for (const char* attribute : kAddressAttributes) {
            std::string value;
            if (std::strcmp(attribute, "FaxNum") == 0)
                value = number(i);
            else if (std::strcmp(attribute, "Name") == 0)
                value = ToGbk(FormatText("联系人%d", (i * 7919) % n));
            cards += FormatText(" %s=\"%s\"", attribute, value.c_str());
        }
        cards += "/>";
    }
    const std::string folder = "<Folder Name=\"\xc4\xac\xc8\xcf\">"; // 默认 in GBK
    xml.insert(xml.find(folder) + folder.size(), cards);
    const std::string end = "</AddressBook>";
    xml.insert(xml.find(end), "<Folder Name=\"import\"></Folder>");
    std::ofstream(directory + "/address.xml", std::ios::binary) << xml;
}

struct Figures {
    double open = 0, fill = 0, sort = 0, findFirst = 0, findLast = 0, findMissing = 0, pickAll = 0, import = 0,
           remove = 0;
};

Figures measure(int n)
{
    benchrun::ScratchFolder scratch("addressbook-bench");
    if (scratch.path().empty())
        wrong("no scratch folder");
    writeBook(scratch.path(), n);
    Figures f;
    AddressFrameServices services;
    services.directory = scratch.path();
    std::unique_ptr<CAddressFrm> frame;
    f.open = millis([&] { frame = std::make_unique<CAddressFrm>(services); });

    const FolderRef folder{0, 0, "公共地址薄", "默认"};
    FolderRows rows;
    f.fill = millis([&] {
        if (!frame->Document().ReadFolder(folder, rows))
            wrong("folder not read");
        frame->ListView()->Fill(rows);
    });
    if (frame->ListView()->model()->rowCount() != n)
        wrong("rows in the list");
    bool descending = false;
    f.sort = medianMillis([&] {
        descending = !descending;
        frame->ListView()->Model()->sort(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    frame->ListView()->Model()->sort(0, Qt::DescendingOrder);
    const auto* model = frame->ListView()->model();
    if (n > 1 && model->index(0, 0).data().toString() < model->index(n - 1, 0).data().toString())
        wrong("sort order");

    AddressBookConfig store;
    if (!store.Open(scratch.path()))
        wrong("store not open");
    std::string name, company;
    f.findFirst = medianMillis([&] {
        if (store.FindByFaxNumber(number(0), name, company) != 1)
            wrong("first card not found");
    });
    f.findLast = medianMillis([&] {
        if (store.FindByFaxNumber(number(n - 1), name, company) != 1)
            wrong("last card not found");
    });
    f.findMissing = medianMillis([&] {
        if (store.FindByFaxNumber("999", name, company) != 0)
            wrong("missing number found");
    });

    RecipientPicker picker(scratch.path(), "All");
    const std::vector<PickerCard> cards = picker.Cards(0);
    std::vector<PickerCard> half;
    for (std::size_t i = 0; i < cards.size(); i += 2)
        half.push_back(cards[i]);
    picker.AddToCc(half, nullptr); // not a prefill, which takes 4000 characters only
    f.pickAll = millis([&] { picker.AddToTo(cards, nullptr); });
    if (static_cast<int>(cards.size()) != n || static_cast<int>(picker.To().size()) != n / 2)
        wrong("numbers the picker added");

    const std::string list = scratch.path() + "/numbers.txt";
    {
        std::ofstream out(list, std::ios::binary);
        for (int i = 0; i < n; ++i)
            out << "8" << i << (i % 3 ? "," : "\r\n");
    }
    f.import = millis([&] {
        if (!ImportIntoFolder(frame->Document(), {0, 1, "公共地址薄", "import"}, ImportKind::NumberList, list))
            wrong("import failed");
    });
    FolderRows imported;
    frame->Document().ReadFolder({0, 1, "公共地址薄", "import"}, imported);
    if (static_cast<int>(imported.rows.size()) != n)
        wrong("imported cards");

    std::vector<CardRef> selected;
    for (int i = 0; i < n; i += 10)
        selected.push_back(rows.rows[i].card);
    f.remove = millis([&] {
        if (frame->Document().DeleteCards(folder, selected) != ChangeResult::Done)
            wrong("delete failed");
    });
    FolderRows left;
    frame->Document().ReadFolder(folder, left);
    if (left.rows.size() != rows.rows.size() - selected.size())
        wrong("cards left after the delete");
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    int small = 1000, large = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--small") == 0)
            small = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--large") == 0)
            large = std::atoi(argv[i + 1]);
    }
    if (small < 10 || large < small)
        wrong("sizes");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    // Warm-up at both sizes: libraries, fonts, and the heap grown to the
    // larger book, so that neither size pays for first-touched memory.
    measure(small);
    measure(large);
    const Figures a = measure(small), b = measure(large);
    std::printf("address book, CPU times in ms (%d and %d cards; import %d and %d numbers, delete %d and %d cards)\n",
                small, large, small, large, small / 10, large / 10);
    std::printf("%-34s %12s %12s %8s\n", "", std::to_string(small).c_str(), std::to_string(large).c_str(), "ratio");
    auto row = [](const char* what, double x, double y) {
        std::printf("%-34s %12.2f %12.2f %8.1f\n", what, x, y, x > 0 ? y / x : 0.0);
    };
    row("open the window", a.open, b.open);
    row("fill the list", a.fill, b.fill);
    row("sort the list by name", a.sort, b.sort);
    row("FindByFaxNumber, first card", a.findFirst, b.findFirst);
    row("FindByFaxNumber, last card", a.findLast, b.findLast);
    row("FindByFaxNumber, missing", a.findMissing, b.findMissing);
    row("picker: add all, half in CC", a.pickAll, b.pickAll);
    row("import numbers (one save)", a.import, b.import);
    row("delete a tenth, selected", a.remove, b.remove);
    return 0;
}
