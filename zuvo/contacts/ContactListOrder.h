#pragma once

#include <cstddef>
#include <vector>

#include "contacts/AddressBookDocument.h"

// The order of a folder's list rows sorted by one column, compared as text
// by the GBK bytes of the cells (which puts the common Chinese characters in
// their pinyin order, as the list of the stored GB2312 texts always had
// them). The sort is stable: equal cells keep document order. The positions
// returned index `rows`; each row still carries its card's index.
std::vector<std::size_t> SortedRowOrder(const std::vector<ContactRow>& rows, std::size_t column, bool ascending);
