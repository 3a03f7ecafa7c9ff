#pragma once

#include <string>
#include <vector>

// What the folder tree shows: the accounts of account.xml in file order,
// each with its mailbox folders and their fax counts. The tree keeps every
// item's account and folder index, so that an item leads back to exactly
// one node of account.xml whatever the names.

struct FolderNode {
    std::string name;
    std::string type;
    int faxCount = 0;
};

struct AccountNode {
    std::string name;
    std::vector<FolderNode> folders;
};

// The accounts with their folders; empty when the store is closed.
std::vector<AccountNode> ReadAccountTree();

// "%s(%d)": the folder's Name and its number of faxes.
std::string FolderLabel(const FolderNode& folder);

// "Account[%d]" and "Account[%d]/Folder[%d]".
std::string AccountPathOf(int account);
std::string FolderPathOf(int account, int folder);

// The tree's icons: 0 for an account, folder j of an account j+1 (the last
// icon for every folder after the eighth).
inline constexpr int kFolderTreeIconCount = 9;
int FolderIconIndex(int folder);
