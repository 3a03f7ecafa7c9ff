#pragma once

#include <vector>

// The address-book window's commands: where they appear and when they are
// enabled.

enum class AddressMenu { File, Edit, Import, View };

struct AddressCommandEntry {
    int id;
    const char* text;
    AddressMenu menu;
    bool toolbar;
};

// All commands in menu order.
const std::vector<AddressCommandEntry>& AddressCommands();

// What the tree has selected: 0 nothing, 1 a book, 2 a folder.
bool IsAddressCommandEnabled(int id, int selectedKind);
