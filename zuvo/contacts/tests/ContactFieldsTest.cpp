// The contact editor's table covers every card attribute once, and the
// stored birthday reads as a date only when it is one.

#include "contacts/ContactFields.h"

#include <gtest/gtest.h>

#include <set>

#include "contacts/AddressBookConfig.h"

TEST(ContactFields, EveryAttributeOnceOnItsPage)
{
    std::multiset<std::string> listed;
    for (const ContactField& field : ContactFields())
        listed.insert(field.attribute);
    EXPECT_EQ(listed, std::multiset<std::string>(kAddressAttributes.begin(), kAddressAttributes.end()));
    int perPage[kContactPageCount] = {};
    for (const ContactField& field : ContactFields())
        ++perPage[static_cast<int>(field.page)];
    EXPECT_EQ(perPage[0], 6);
    EXPECT_EQ(perPage[1], 8);
    EXPECT_EQ(perPage[2], 8);
    EXPECT_EQ(perPage[3], 12);
}

TEST(ContactFields, BirthDays)
{
    struct Case {
        const char* text;
        std::optional<CalendarDate> date;
    };
    const std::vector<Case> cases = {
        {"1990-05-17", CalendarDate{1990, 5, 17}}, {"1990-5-7", CalendarDate{1990, 5, 7}},
        {"2000-02-29", CalendarDate{2000, 2, 29}}, {"1900-02-29", std::nullopt},
        {"1990-13-45", std::nullopt},              {"1990-02-30", std::nullopt},
        {"", std::nullopt},                        {"1990-05-17x", std::nullopt},
        {"1990/05/17", std::nullopt},              {"1990-05-", std::nullopt},
        {"-05-17", std::nullopt},                  {"+1990-05-17", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseBirthDay(c.text), c.date) << c.text;
    EXPECT_EQ(FormatBirthDay(CalendarDate{1990, 5, 7}), "1990-05-07");
    EXPECT_EQ(FormatBirthDay(std::nullopt), "");
}
