#pragma once

#include <string>
#include <vector>

// Where the download pump keeps a fax item's files until the item is filed:
// a private directory per item below the account's data directory, so that
// no name the server gives a file ever reaches a mailbox folder, and two
// files of one item never meet under one name.
//
//   <data>/.incoming/<invoke id>-<n>/<index>-<name>.download   while it downloads
//   <data>/.incoming/<invoke id>-<n>/<index>-<name>            once complete
//
// The invoke id keeps the queues of the main window and the receive dialog
// apart; n counts the items of one queue.

// <dataDirectory>/.incoming; "" when dataDirectory is "".
std::string DownloadStagingRoot(const std::string& dataDirectory);

// <root>/<invokeId>-<sequence>, created empty (whatever an earlier run left
// under that name is removed first): its path, or "" when it cannot be made.
std::string MakeStagingDirectory(const std::string& root, long invokeId, long sequence);

// The name file `index` of an item is staged under: "<index>-" and the last
// component of the server's name, shortened so that ".download" still fits;
// just "<index>" when that component is no plain file name.
std::string StagedFileName(int index, const std::string& serverName);

// Removes the directory and everything in it; false (logged) when some of it stays.
bool RemoveStagingDirectory(const std::string& directory);

// What the downloads of an earlier run left: the whole staging root, and
// every "*.download" file directly in one of the directories. Returns the
// number of entries removed.
int RemoveDownloadLeftovers(const std::string& stagingRoot, const std::vector<std::string>& directories);
