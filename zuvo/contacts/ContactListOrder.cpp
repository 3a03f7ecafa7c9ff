// Sorting the rows of the contact list by one column.

#include "contacts/ContactListOrder.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "core/TextUtil.h"

std::vector<std::size_t> SortedRowOrder(const std::vector<ContactRow>& rows, std::size_t column, bool ascending)
{
    // Each key is made once, so the sort costs n log n comparisons of bytes.
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const ContactRow& row : rows)
        keys.push_back(column < row.cells.size() ? ToGbk(row.cells[column]) : std::string());
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
    });
    return order;
}
