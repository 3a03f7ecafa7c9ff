#pragma once

#include <string>

#include "core/session/InboxWriter.h"

// The address book's card for a calling number: its Name and CompanyName,
// empty texts when none matches (the inbox writer's lookup, which the
// program's session and receive window get from here).
InboxWriter::Contact AddressBookContact(const std::string& faxNumber);
