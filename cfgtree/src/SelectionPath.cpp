#include "SelectionPath.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace cfgtree {
namespace {

bool isNameChar(char c)
{
    // Anything but the path syntax and white space; the tree decides the rest.
    return c != '/' && c != '[' && c != ']' && c != ' ' && c != '\t' && c != '\r' && c != '\n' &&
           c != '@' && c != '"' && c != '\'' && c != '*' && c != '=' && c != '(' && c != ')';
}

std::optional<PathStep> parseStep(std::string_view text)
{
    std::size_t nameEnd = 0;
    while (nameEnd < text.size() && isNameChar(text[nameEnd]))
        ++nameEnd;
    if (nameEnd == 0)
        return std::nullopt;
    PathStep step{std::string(text.substr(0, nameEnd)), std::nullopt};
    std::string_view rest = text.substr(nameEnd);
    if (rest.empty())
        return step;
    if (rest.size() < 3 || rest.front() != '[' || rest.back() != ']')
        return std::nullopt;
    std::string_view digits = rest.substr(1, rest.size() - 2);
    std::size_t index = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '+')
        return std::nullopt;
    step.index = index;
    return step;
}

// The name a selection step matches: the qualified name of an element.
bool hasName(xmlNodePtr node, const std::string& name)
{
    if (node->type != XML_ELEMENT_NODE || node->name == nullptr)
        return false;
    const char* local = reinterpret_cast<const char*>(node->name);
    if (node->ns == nullptr || node->ns->prefix == nullptr)
        return name == local;
    const char* prefix = reinterpret_cast<const char*>(node->ns->prefix);
    std::size_t prefixLength = std::strlen(prefix);
    return name.size() > prefixLength && name.compare(0, prefixLength, prefix) == 0 &&
           name[prefixLength] == ':' && name.compare(prefixLength + 1, std::string::npos, local) == 0;
}

// Appends the children of parent that step selects, up to limit in all.
void applyStep(xmlNodePtr parent, const PathStep& step, std::vector<xmlNodePtr>& out,
               std::size_t limit)
{
    std::size_t seen = 0;
    for (xmlNodePtr child = parent->children; child != nullptr && out.size() < limit;
         child = child->next) {
        if (!hasName(child, step.name))
            continue;
        if (!step.index) {
            out.push_back(child);
        } else if (seen++ == *step.index) {
            out.push_back(child);
            return;
        }
    }
}

} // namespace

std::optional<std::vector<PathStep>> parsePath(const char* path)
{
    if (path == nullptr || *path == '\0')
        return std::nullopt;
    std::vector<PathStep> steps;
    std::string_view rest(path);
    while (true) {
        std::size_t slash = rest.find('/');
        auto step = parseStep(rest.substr(0, slash));
        if (!step)
            return std::nullopt;
        steps.push_back(std::move(*step));
        if (slash == std::string_view::npos)
            return steps;
        rest = rest.substr(slash + 1);
    }
}

std::vector<xmlNodePtr> selectNodes(xmlNodePtr context, const char* path, std::size_t limit)
{
    std::vector<xmlNodePtr> current;
    auto steps = parsePath(path);
    if (context == nullptr || !steps || limit == 0)
        return current;
    current.push_back(context);
    for (std::size_t i = 0; i < steps->size() && !current.empty(); ++i) {
        // Only the last step may stop early; earlier ones need every match.
        std::size_t stepLimit = i + 1 == steps->size() ? limit : static_cast<std::size_t>(-1);
        std::vector<xmlNodePtr> next;
        for (xmlNodePtr node : current) {
            applyStep(node, (*steps)[i], next, stepLimit);
            if (next.size() >= stepLimit)
                break;
        }
        current = std::move(next);
    }
    return current;
}

xmlNodePtr selectSingleNode(xmlNodePtr context, const char* path)
{
    auto nodes = selectNodes(context, path, 1);
    return nodes.empty() ? nullptr : nodes.front();
}

} // namespace cfgtree
