// The contact editor's table of fields and the birthday's text form.

#include "contacts/ContactFields.h"

#include <charconv>

#include "core/TextUtil.h"

namespace {

using P = ContactPage;
using K = FieldKind;

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// The number at the start of text up to `separator` (or the end); false when
// it is no plain decimal number.
bool readPart(std::string_view& text, char separator, int& value)
{
    const std::size_t end = separator ? text.find(separator) : text.size();
    const std::string_view digits = text.substr(0, end);
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    text = end >= text.size() ? std::string_view() : text.substr(end + 1);
    return separator == 0 || end != std::string_view::npos;
}

} // namespace

const std::vector<ContactField>& ContactFields()
{
    static const std::vector<ContactField> fields = {
        {"FirstName", P::Basic, "姓:", K::Text},
        {"SurName", P::Basic, "名:", K::Text},
        {"Name", P::Basic, "名字(*):", K::Text},
        {"NickName", P::Basic, "昵称:", K::Text},
        {"FaxNum", P::Basic, "传真号码(*):", K::Text},
        {"EMail", P::Basic, "邮件地址:", K::Text},

        {"Mobile", P::Personal, "移动电话:", K::Text},
        {"Sex", P::Personal, "性别:", K::Sex},
        {"BP", P::Personal, "BP:", K::Text},
        {"BirthDay", P::Personal, "生日:", K::Date},
        {"QQ", P::Personal, "QQ号码:", K::Text},
        {"ICQ", P::Personal, "ICQ:", K::Text},
        {"Like", P::Personal, "爱好:", K::TextArea},
        {"WWW", P::Personal, "个人主页:", K::Text},

        {"HomeCountry", P::Home, "国家:", K::Text},
        {"HomeTel1", P::Home, "电话号码1:", K::Text},
        {"HomeArea", P::Home, "省份:", K::Text},
        {"HomeTel2", P::Home, "电话号码2:", K::Text},
        {"HomeCity", P::Home, "城市:", K::Text},
        {"HomeFaxNum", P::Home, "传真号码:", K::Text},
        {"HomePostCode", P::Home, "邮政编码:", K::Text},
        {"HomeAddress", P::Home, "地址:", K::Text},

        {"CompanyName", P::Company, "公司名称:", K::Text},
        {"CompanyJob", P::Company, "职位:", K::Text},
        {"CompanyCountry", P::Company, "国家:", K::Text},
        {"CompanyDept", P::Company, "部门:", K::Text},
        {"CompanyArea", P::Company, "省份:", K::Text},
        {"CompanyTel1", P::Company, "电话号码1:", K::Text},
        {"CompanyCity", P::Company, "城市:", K::Text},
        {"CompanyTel2", P::Company, "电话号码2:", K::Text},
        {"CompanyPostCode", P::Company, "邮政编码:", K::Text},
        {"CompanyFaxNum", P::Company, "传真号码:", K::Text},
        {"CompanyAddress", P::Company, "公司地址:", K::Text},
        {"CompanyWWW", P::Company, "公司主页:", K::Text},
    };
    return fields;
}

const char* ContactPageTitle(ContactPage page)
{
    switch (page) {
    case P::Basic: return "基本信息";
    case P::Personal: return "个人信息";
    case P::Home: return "家庭信息";
    case P::Company: return "公司信息";
    }
    return "";
}

const std::vector<const char*>& SexChoices()
{
    static const std::vector<const char*> choices = {"男", "女"}; // in GBK and pinyin order
    return choices;
}

std::optional<CalendarDate> ParseBirthDay(const std::string& text)
{
    std::string_view rest(text);
    CalendarDate date;
    if (!readPart(rest, '-', date.year) || !readPart(rest, '-', date.month) || !readPart(rest, 0, date.day))
        return std::nullopt;
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > daysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

std::string FormatBirthDay(const std::optional<CalendarDate>& date)
{
    return date ? FormatText("%04d-%02d-%02d", date->year, date->month, date->day) : std::string();
}
