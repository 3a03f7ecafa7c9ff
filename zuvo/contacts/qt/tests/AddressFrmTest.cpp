// The address-book window and the contact editor in a real window, driven by
// QTest with the dialogs and file choosers answered by a scripted user; the
// file is checked with xmllint after each command.

#include "contacts/qt/AddressFrm.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "contacts/AddressBookTexts.h"
#include "contacts/qt/AddDirDlg.h"
#include "contacts/qt/AddrLeftView.h"
#include "contacts/qt/AddrListView.h"
#include "contacts/qt/AddrNewSheet.h"
#include "contacts/qt/ContactTableModel.h"
#include "core/TextUtil.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/qt/tests/ShellTestApp.h"
#include "core/tests/TestFiles.h"

namespace {

using namespace AddressCommand;

// Types text into a widget key by key, as a keyboard (or an input method,
// for the Chinese characters, which QTest's key table lacks) sends it.
void typeInto(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

std::string cards(const std::vector<std::string>& names, const std::string& extra = "")
{
    std::string xml;
    for (const std::string& name : names)
        xml += "<Address Name=\"" + name + "\" FaxNum=\"" + name + "-fax\"" + extra + "/>";
    return xml;
}

// Two folders of five cards each; the cards of "排序" have no QQ and an
// unparsable birthday.
std::string addressFile()
{
    return ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n\t<Headers>"
                 "<Header Name=\"名字\" Key=\"Name\"/><Header Name=\"传真号码\" Key=\"FaxNum\"/></Headers>\n"
                 "\t<AddressBook Name=\"公共地址薄\">\n\t\t<Folder Name=\"默认\">" +
                 cards({"A", "B", "C", "D", "E"}) + "</Folder>\n\t\t<Folder Name=\"排序\">" +
                 cards({"B", "E", "A", "C", "D"}, " BirthDay=\"1990-13-45\" Like=\"x&#13;&#10;y\"") +
                 "</Folder>\n\t</AddressBook>\n</Config>\n");
}

class AddressFrmTest : public ShellTest {
protected:
    std::string path() const { return dir_.file("address.xml"); }
    std::optional<std::string> xpath(const std::string& expression) const
    {
        return testfiles::xpath(path(), expression);
    }
    std::string names(int folder) const
    {
        const std::string cardsOf = "/Config/AddressBook[1]/Folder[" + std::to_string(folder) + "]/Address";
        std::string joined;
        const int count = std::stoi(xpath("count(" + cardsOf + ")").value_or("0"));
        for (int i = 1; i <= count; ++i)
            joined += (i > 1 ? " " : "") + xpath("string(" + cardsOf + "[" + std::to_string(i) + "]/@Name)").value_or("?");
        return joined;
    }
    std::string c14n() const
    {
        return testfiles::run("iconv -f GBK -t UTF-8 " + testfiles::quote(path()) +
                              " | sed '1s/GB2312/UTF-8/' | xmllint --c14n -")
            .output;
    }

    std::unique_ptr<CAddressFrm> open()
    {
        AddressFrameServices services;
        services.directory = dir_.path();
        services.postNotice = [this](const QString& notice) { notices_.push_back(notice); };
        services.fileCreated = [this](const std::string&) { ++created_; };
        auto frame = std::make_unique<CAddressFrm>(services);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return frame;
    }
    // Selects a tree item by its book and folder (-1: the book).
    static void select(CAddressFrm& frame, int book, int folder)
    {
        QTreeWidget* tree = frame.LeftView()->Tree();
        QTreeWidgetItem* item = tree->topLevelItem(book);
        ASSERT_NE(item, nullptr);
        if (folder >= 0)
            item = item->child(folder);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        ASSERT_TRUE(item->isSelected());
    }
    static void selectRows(CAddressFrm& frame, const std::vector<int>& rows)
    {
        CAddrListView* list = frame.ListView();
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QString cell(CAddressFrm& frame, int row, int column = 0)
    {
        return frame.ListView()->model()->index(row, column).data().toString();
    }
    static void type(CAddrNewSheet& sheet, const char* attribute, const QString& text)
    {
        auto* field = qobject_cast<QLineEdit*>(sheet.Field(QString::fromUtf8(attribute)));
        ASSERT_NE(field, nullptr) << attribute;
        typeInto(field, text);
    }

    testfiles::TempDir dir_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
    QStringList notices_;
    int created_ = 0;
};

} // namespace

TEST_F(AddressFrmTest, AFreshStartShowsTheTemplate)
{
    auto frame = open();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("地址薄"));
    EXPECT_EQ(testfiles::readFile(path()), AddressBookTemplate());
    EXPECT_EQ(created_, 1);
    QTreeWidget* tree = frame->LeftView()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("个人地址薄"));
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("默认"));
    EXPECT_EQ(frame->ListView()->model()->columnCount(), 9);
    EXPECT_EQ(frame->ListView()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("公司传真"));

    // A book selected: the list is empty and the folder commands are off.
    select(*frame, 0, -1);
    for (int id : {NewCard, Properties, Delete, ImportNumbers, ImportNumbersAndNames, ImportAddressBook, NewGroup, Find})
        EXPECT_FALSE(frame->CommandAction(id)->isEnabled()) << id;
    EXPECT_TRUE(frame->CommandAction(NewFolder)->isEnabled());
    EXPECT_TRUE(frame->CommandAction(Export)->isEnabled());
    select(*frame, 0, 0);
    for (int id : {NewCard, Properties, Delete, ImportNumbers})
        EXPECT_TRUE(frame->CommandAction(id)->isEnabled()) << id;
    EXPECT_FALSE(frame->CommandAction(NewFolder)->isEnabled());
    QtTest::SaveScreenshot(*frame, QStringLiteral("address_fresh"));

    // A second window finds the file there and writes nothing.
    auto second = open();
    EXPECT_EQ(created_, 1);
}

TEST_F(AddressFrmTest, AnUnreadableFileStaysAsItIs)
{
    testfiles::writeFile(path(), "<?xml version=\"1.0\"?><Config><AddressBook");
    testfiles::writeFile(dir_.file("address-bak.xml"), addressFile());
    const std::string fileSum = testfiles::md5sumOf(path());
    const std::string backupSum = testfiles::md5sumOf(dir_.file("address-bak.xml"));
    auto frame = open();
    QTreeWidget* tree = frame->LeftView()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("配置文件找不到"));
    EXPECT_EQ(frame->ListView()->model()->rowCount(), 0);
    EXPECT_EQ(testfiles::md5sumOf(path()), fileSum);
    EXPECT_EQ(testfiles::md5sumOf(dir_.file("address-bak.xml")), backupSum);
    EXPECT_EQ(created_, 0);
    QtTest::SaveScreenshot(*frame, QStringLiteral("address_missing"));
}

TEST_F(AddressFrmTest, DeletesHitTheCardsTheRowsShow)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, 0);
    ASSERT_EQ(frame->ListView()->model()->rowCount(), 5);
    selectRows(*frame, {1, 2});
    frame->CommandAction(Delete)->trigger();
    EXPECT_EQ(names(1), "A D E");
    EXPECT_EQ(frame->ListView()->model()->rowCount(), 3);
    EXPECT_TRUE(script_.texts.isEmpty()) << "cards go without a question";

    // Sorted descending by a second header click, the row "C" deletes C.
    select(*frame, 0, 1);
    QHeaderView* header = frame->ListView()->header();
    const QPoint name(header->sectionViewportPosition(0) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
    ASSERT_EQ(cell(*frame, 0), "E");
    ASSERT_EQ(cell(*frame, 2), "C");
    QtTest::SaveScreenshot(*frame, QStringLiteral("address_sorted"));
    selectRows(*frame, {2});
    frame->CommandAction(Delete)->trigger();
    EXPECT_EQ(names(2), "B E A D");

    // A card added in a second window survives a delete in the first.
    auto second = open();
    select(*second, 0, 1);
    script_.dialogs.push_back([this](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        type(sheet, "Name", QStringLiteral("新卡"));
        type(sheet, "FaxNum", QStringLiteral("0101"));
        sheet.accept();
        return sheet.result();
    });
    second->CommandAction(NewCard)->trigger();
    EXPECT_EQ(names(2), "B E A D 新卡");
    selectRows(*frame, {0}); // the first window still shows B E A D, in document order
    frame->CommandAction(Delete)->trigger();
    EXPECT_EQ(names(2), "E A D 新卡");
}

TEST_F(AddressFrmTest, TheListMenuNeedsARow)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, 0);
    CAddrListView* list = frame->ListView();
    const QPoint below(20, list->viewport()->height() - 5);
    QContextMenuEvent empty(QContextMenuEvent::Mouse, below, list->viewport()->mapToGlobal(below));
    QCoreApplication::sendEvent(list->viewport(), &empty);
    EXPECT_EQ(notices_, QStringList{QStringLiteral("请选择地址")});
    EXPECT_FALSE(frame->ListMenu()->isVisible());

    selectRows(*frame, {0});
    const QPoint onRow = list->visualRect(list->model()->index(0, 0)).center();
    QContextMenuEvent onCard(QContextMenuEvent::Mouse, onRow, list->viewport()->mapToGlobal(onRow));
    QCoreApplication::sendEvent(list->viewport(), &onCard);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return frame->ListMenu()->isVisible(); }));
    EXPECT_EQ(notices_.size(), 1);
    QtTest::SaveScreenshot(*frame, QStringLiteral("address_list_menu"));
    frame->ListMenu()->close();
}

TEST_F(AddressFrmTest, TheEditorWritesWhatWasTyped)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, 1);

    // An unchanged OK by double click keeps the file as it was, the
    // unparsable birthday and the line break included.
    const std::string before = c14n();
    ASSERT_FALSE(before.empty());
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("地址信息"));
        EXPECT_FALSE(sheet.BirthDayBox()->isChecked());
        for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) {
            sheet.Tabs()->setCurrentIndex(tab);
            sheet.show();
            QtTest::SaveScreenshot(sheet, QStringLiteral("editor_page_%1").arg(tab));
        }
        sheet.accept();
        return sheet.result();
    });
    CAddrListView* list = frame->ListView();
    const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    ASSERT_EQ(script_.dialogTitles, QStringList{QStringLiteral("地址信息")});
    EXPECT_EQ(c14n(), before);

    // A QQ typed into a card without one is stored; the birthday box
    // cleared stores no date.
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        type(sheet, "QQ", QStringLiteral("10001"));
        sheet.BirthDayBox()->setChecked(true);
        sheet.BirthDayBox()->setChecked(false);
        sheet.accept();
        return sheet.result();
    });
    selectRows(*frame, {1});
    frame->CommandAction(Properties)->trigger();
    const std::string card = "/Config/AddressBook[1]/Folder[2]/Address[2]";
    EXPECT_EQ(xpath("string(" + card + "/@QQ)"), "10001");
    EXPECT_EQ(xpath("string(" + card + "/@BirthDay)"), "");
    EXPECT_EQ(xpath("string(" + card + "/@Like)"), "x\r\ny");
    EXPECT_EQ(xpath("count(" + card + "/@*)"), "5");
}

TEST_F(AddressFrmTest, ANewCardNeedsANameAndAsksForTheNumber)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, 0);

    // OK without a name keeps the sheet open; a number left out is asked
    // about, and No saves nothing.
    script_.answers = {false, true};
    script_.dialogs.push_back([this](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("新建地址"));
        sheet.accept();
        EXPECT_NE(sheet.result(), QDialog::Accepted);
        EXPECT_TRUE(script_.texts.isEmpty());
        type(sheet, "Name", QStringLiteral("无号码"));
        sheet.accept();
        return sheet.result();
    });
    frame->CommandAction(NewCard)->trigger();
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("传真号码没有填写，要保存吗?")});
    EXPECT_EQ(names(1), "A B C D E");

    // Yes stores it, with the 34 attributes and the fax number "".
    script_.dialogs.push_back([this](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        type(sheet, "Name", QStringLiteral("无号码"));
        type(sheet, "CompanyName", QStringLiteral("公司"));
        sheet.accept();
        return sheet.result();
    });
    frame->CommandAction(NewCard)->trigger();
    EXPECT_EQ(names(1), "A B C D E 无号码");
    const std::string card = "/Config/AddressBook[1]/Folder[1]/Address[last()]";
    EXPECT_EQ(xpath("count(" + card + "/@*)"), "34");
    EXPECT_EQ(xpath("string(" + card + "/@FaxNum)"), "");
    EXPECT_EQ(xpath("string(" + card + "/@CompanyName)"), "公司");
    EXPECT_EQ(xpath("name(" + card + "/@*[34])"), "WWW");
    EXPECT_EQ(cell(*frame, 5), "无号码");
}

// Text pasted with control characters (a word processor's line break, a
// stray start of heading, a form feed) is stored with a space in place of
// each, and the card is there.
TEST_F(AddressFrmTest, PastedControlCharactersAreStoredAsSpaces)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, 0);
    struct Case {
        const char* attribute;
        QString pasted;
        std::string stored;
    };
    const Case cases[] = {
        {"Name", QStringLiteral("张\x01三"), "张 三"},
        {"NickName", QStringLiteral("读书\v旅行"), "读书 旅行"},
        {"HomeAddress", QStringLiteral("路\f号"), "路 号"},
        {"FaxNum", QStringLiteral("010\x1b-1"), "010 -1"},
    };
    script_.dialogs.push_back([&cases](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        for (const Case& c : cases) {
            auto* field = qobject_cast<QLineEdit*>(sheet.Field(QString::fromUtf8(c.attribute)));
            EXPECT_NE(field, nullptr) << c.attribute;
            if (!field)
                continue;
            QGuiApplication::clipboard()->setText(c.pasted);
            field->setFocus();
            field->paste();
            EXPECT_EQ(field->text(), c.pasted) << c.attribute;
        }
        sheet.accept();
        return sheet.result();
    });
    frame->CommandAction(NewCard)->trigger();
    EXPECT_TRUE(script_.texts.isEmpty()) << script_.texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(names(1), "A B C D E 张 三");
    const std::string card = "/Config/AddressBook[1]/Folder[1]/Address[6]";
    for (const Case& c : cases)
        EXPECT_EQ(xpath("string(" + card + "/@" + c.attribute + ")"), c.stored) << c.attribute;
    EXPECT_EQ(cell(*frame, 5), QStringLiteral("张 三"));
    QtTest::SaveScreenshot(*frame, QStringLiteral("address_pasted_controls"));
}

// A change the address book cannot save (address.xml truncated or renamed
// from outside meanwhile) is reported, and the sheet comes back with what
// was typed; once the file is back, OK saves it.
TEST_F(AddressFrmTest, AChangeThatCannotBeSavedIsReportedAndTheSheetKeepsItsValues)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> spoil;
        bool edit; // edit the first card, else a new card
    };
    const Case cases[] = {
        {"new card, file truncated",
         [](const std::string& file) { testfiles::writeFile(file, testfiles::readFile(file).substr(0, 200)); }, false},
        {"new card, file renamed",
         [](const std::string& file) { std::filesystem::rename(file, file + ".moved"); }, false},
        {"edited card, file truncated",
         [](const std::string& file) { testfiles::writeFile(file, testfiles::readFile(file).substr(0, 200)); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testfiles::writeFile(path(), addressFile());
        std::filesystem::remove(path() + ".moved");
        script_.texts.clear();
        auto frame = open();
        select(*frame, 0, 0);
        const std::string good = testfiles::readFile(path());
        const int shown = script_.dialogTitles.size();
        // The file goes bad while the sheet is open.
        script_.dialogs.push_back([this, &c](QDialog& dialog) {
            auto& sheet = static_cast<CAddrNewSheet&>(dialog);
            auto* name = qobject_cast<QLineEdit*>(sheet.Field(QStringLiteral("Name")));
            name->selectAll();
            typeInto(name, QStringLiteral("王五"));
            type(sheet, "FaxNum", QStringLiteral("0105"));
            c.spoil(path());
            sheet.accept();
            return sheet.result();
        });
        script_.dialogs.push_back([this, &good, &c](QDialog& dialog) {
            auto& sheet = static_cast<CAddrNewSheet&>(dialog);
            EXPECT_EQ(script_.texts, QStringList{QStringLiteral("保存失败")});
            EXPECT_EQ(qobject_cast<QLineEdit*>(sheet.Field(QStringLiteral("Name")))->text(), QStringLiteral("王五"));
            EXPECT_EQ(qobject_cast<QLineEdit*>(sheet.Field(QStringLiteral("FaxNum")))->text(),
                      c.edit ? QStringLiteral("A-fax0105") : QStringLiteral("0105"));
            sheet.show();
            QtTest::SaveScreenshot(sheet, QStringLiteral("address_save_failed"));
            // The file is back: OK saves what was typed.
            std::filesystem::remove(path() + ".moved");
            testfiles::writeFile(path(), good);
            sheet.accept();
            return sheet.result();
        });
        if (c.edit) {
            selectRows(*frame, {0});
            frame->CommandAction(Properties)->trigger();
        } else {
            frame->CommandAction(NewCard)->trigger();
        }
        EXPECT_EQ(script_.dialogTitles.size() - shown, 2) << "the sheet came back once";
        EXPECT_TRUE(script_.dialogs.empty());
        EXPECT_EQ(names(1), c.edit ? "王五 B C D E" : "A B C D E 王五");
    }
}

TEST_F(AddressFrmTest, FoldersAndTheirNames)
{
    testfiles::writeFile(path(), addressFile());
    auto frame = open();
    select(*frame, 0, -1);
    // A name the book has is not taken: the dialog stays until Cancel.
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& folder = static_cast<CAddDirDlg&>(dialog);
        typeInto(folder.NameField(), QStringLiteral("默认"));
        folder.accept();
        EXPECT_NE(folder.result(), QDialog::Accepted);
        folder.reject();
        return folder.result();
    });
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& folder = static_cast<CAddDirDlg&>(dialog);
        typeInto(folder.NameField(), QStringLiteral("客户"));
        folder.show();
        QtTest::SaveScreenshot(folder, QStringLiteral("add_folder"));
        folder.accept();
        return folder.result();
    });
    frame->CommandAction(NewFolder)->trigger();
    frame->CommandAction(NewFolder)->trigger();
    EXPECT_EQ(script_.dialogTitles, (QStringList{QStringLiteral("添加文件夹"), QStringLiteral("添加文件夹")}));
    EXPECT_EQ(xpath("string(/Config/AddressBook[1]/Folder[3]/@Name)"), "客户");
    EXPECT_EQ(frame->LeftView()->Tree()->topLevelItem(0)->childCount(), 3);

    // Rename without a row selected; then delete with Yes.
    select(*frame, 0, 2);
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& folder = static_cast<CAddDirDlg&>(dialog);
        EXPECT_EQ(folder.Name(), QStringLiteral("客户"));
        folder.NameField()->clear();
        typeInto(folder.NameField(), QStringLiteral("Clients"));
        folder.accept();
        return folder.result();
    });
    frame->CommandAction(Properties)->trigger();
    EXPECT_EQ(xpath("string(/Config/AddressBook[1]/Folder[3]/@Name)"), "Clients");
    EXPECT_EQ(frame->LeftView()->Tree()->topLevelItem(0)->child(2)->text(0), QStringLiteral("Clients"));
    ASSERT_TRUE(frame->LeftView()->Tree()->topLevelItem(0)->child(2)->isSelected());
    script_.answers = {true};
    frame->CommandAction(Delete)->trigger();
    EXPECT_EQ(script_.texts.back(), QStringLiteral("真的要删除该地址薄吗？"));
    EXPECT_EQ(xpath("count(/Config/AddressBook[1]/Folder)"), "2");
    EXPECT_EQ(frame->LeftView()->Tree()->topLevelItem(0)->childCount(), 2);
}

TEST_F(AddressFrmTest, ImportsAndExportSayHowTheyEnded)
{
    testfiles::writeFile(path(), addressFile());
    testfiles::writeFile(dir_.file("numbers.txt"), "111,222;333||");
    auto frame = open();
    select(*frame, 0, 0);

    // Cancel: nothing at all.
    frame->CommandAction(ImportNumbers)->trigger();
    ASSERT_EQ(script_.fileRequests.size(), 1u);
    EXPECT_EQ(script_.fileRequests[0].filter, QString::fromUtf8(AddressText::kTextFilter));
    EXPECT_FALSE(script_.fileRequests[0].save);
    EXPECT_TRUE(script_.texts.isEmpty());

    script_.chosenFiles = {ChosenFile{QString::fromStdString(dir_.file("numbers.txt"))}, ChosenFile{"/bin/sh"}};
    frame->CommandAction(ImportNumbers)->trigger();
    EXPECT_EQ(names(1), "A B C D E 111 222 333");
    EXPECT_EQ(frame->ListView()->model()->rowCount(), 8);
    const std::string sum = testfiles::md5sumOf(path());
    frame->CommandAction(ImportNumbersAndNames)->trigger();
    EXPECT_EQ(script_.texts, (QStringList{QStringLiteral("导入成功！"), QStringLiteral("导入失败！")}));
    EXPECT_EQ(testfiles::md5sumOf(path()), sum);

    // The export: asked with the overwrite question, no filter; a path that
    // cannot be written says so.
    script_.chosenFiles = {ChosenFile{QString::fromStdString(dir_.file("out.xml"))},
                           ChosenFile{QString::fromStdString(dir_.file("none/out.xml"))}};
    frame->CommandAction(Export)->trigger();
    EXPECT_TRUE(script_.fileRequests.back().save);
    EXPECT_TRUE(script_.fileRequests.back().overwritePrompt);
    EXPECT_EQ(testfiles::xpath(dir_.file("out.xml"), "count(//Address)"), "13");
    EXPECT_EQ(script_.texts.size(), 2);
    frame->CommandAction(Export)->trigger();
    EXPECT_EQ(script_.texts.back(), QStringLiteral("导出失败！"));
}

TEST_F(AddressFrmTest, TheStoreFindsCardsOfATemplateItWasMissing)
{
    AddressFrameServices services = ProgramAddressFrameServices(0);
    services.directory = dir_.path();
    AddressBookConfig& store = AddressBookConfig::GetInstance();
    ASSERT_FALSE(store.isOpen()) << "this test program opens the store here only";
    CAddressFrm frame(services);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(store.isOpen());
    select(frame, 1, 0);
    script_.dialogs.push_back([this](QDialog& dialog) {
        auto& sheet = static_cast<CAddrNewSheet&>(dialog);
        type(sheet, "Name", QStringLiteral("来电"));
        type(sheet, "FaxNum", QStringLiteral("010-5555"));
        sheet.accept();
        return sheet.result();
    });
    frame.CommandAction(NewCard)->trigger();
    std::string name, company;
    EXPECT_EQ(store.FindByFaxNumber("010-5555", name, company), 1);
    EXPECT_EQ(name, "来电");
}
