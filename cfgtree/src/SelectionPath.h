#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <libxml/tree.h>

namespace cfgtree {

// One step of a selection path: the children called name, or only the
// index-th of them (from 0) when an index is given.
struct PathStep {
    std::string name;
    std::optional<std::size_t> index;
};

// Splits "Name(/Name)*" with an optional "[n]" per step. Null, "", an empty
// step (leading, doubled or trailing "/"), a negative or non-numeric index
// and stray characters all give nullopt.
std::optional<std::vector<PathStep>> parsePath(const char* path);

// The nodes that path selects from context, in document order; at most limit.
std::vector<xmlNodePtr> selectNodes(xmlNodePtr context, const char* path,
                                    std::size_t limit = static_cast<std::size_t>(-1));
// The first of them, or nullptr.
xmlNodePtr selectSingleNode(xmlNodePtr context, const char* path);

} // namespace cfgtree
