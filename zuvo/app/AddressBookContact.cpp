#include "app/AddressBookContact.h"

#include "contacts/AddressBookConfig.h"

InboxWriter::Contact AddressBookContact(const std::string& faxNumber)
{
    InboxWriter::Contact contact;
    AddressBookConfig::GetInstance().FindByFaxNumber(faxNumber, contact.name, contact.company);
    return contact;
}
