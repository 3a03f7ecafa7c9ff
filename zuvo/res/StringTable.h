#pragma once

#include <string_view>

// The program's string table: every text that windows, notices and message
// boxes load by number. Texts are UTF-8.

// Well-known entries used by more than one window.
enum StringId : unsigned {
    IDS_CONFIG_FILE_LOST = 32805,       // account.xml and its backup both unreadable
    IDS_COMPOSE_FAX = 61485,            // compose-window titles, in the order a
    IDS_REPLY_FAX = 61486,              // second instance searches them:
    IDS_FORWARD_FAX = 61487,            // 61485, 61488, 61487, 61486
    IDS_EDIT_FAX = 61488,
    IDS_LANGUAGE = 61518,               // "CN": the interface language
    IDS_INVALID_CONFIG = 61583,         // the configuration digest does not match
};

// The text of entry `id`; empty for an id the table does not hold.
std::string_view LoadString(unsigned id);
