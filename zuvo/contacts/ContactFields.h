#pragma once

#include <optional>
#include <string>
#include <vector>

// The contact editor's fields: one table of (attribute, page, label, kind)
// over the 34 card attributes, from which the editor builds its four pages,
// and the birthday's text form.

enum class ContactPage { Basic, Personal, Home, Company };
inline constexpr int kContactPageCount = 4;

enum class FieldKind {
    Text,     // a one-line text field
    Sex,      // an editable drop-down of "男" and "女"; its text is stored
    Date,     // a date picker with a no-date state; "%Y-%m-%d"
    TextArea, // the hobbies: text that may hold line breaks
};

struct ContactField {
    const char* attribute;
    ContactPage page;
    const char* label;
    FieldKind kind;
};

// Every card attribute once, page by page in tab order, each page's fields
// in the order of its form.
const std::vector<ContactField>& ContactFields();

// "基本信息", "个人信息", "家庭信息", "公司信息".
const char* ContactPageTitle(ContactPage page);

// The items of the sex drop-down, sorted.
const std::vector<const char*>& SexChoices();

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CalendarDate&) const = default;
};

// A stored birthday "%Y-%m-%d" (one or more digits each, a real date);
// nothing for "" or anything else.
std::optional<CalendarDate> ParseBirthDay(const std::string& text);
// "%Y-%m-%d" of a date ("" for none).
std::string FormatBirthDay(const std::optional<CalendarDate>& date);
