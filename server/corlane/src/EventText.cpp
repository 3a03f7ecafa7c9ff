// The text form of an event: "key=value|" for every pair, in list order.

#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "corlane/Event.h"
#include "spindle/VLock.h"

namespace CRL {

using Spindle::VLock;

namespace {

constexpr char kAssign = '=';

// One pair's text divided at its first "=": no "=" leaves the value empty.
std::pair<std::string_view, std::string_view> dividePair(std::string_view text)
{
    std::size_t at = text.find(kAssign);
    if (at == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, at), text.substr(at + 1)};
}

// A separator that the parser could not tell from the text around it.
bool isUsableSeparator(char sep) { return sep != '\0' && sep != kAssign; }

} // namespace

bool Event::writeText(std::string& out, char sep) const
{
    out.clear();
    if (!isUsableSeparator(sep))
        return false;
    VLock hold(lock_);
    std::size_t length = 0;
    for (const auto& pair : pairs_) {
        const std::string& key = pair->key_;
        const std::string& val = pair->val_;
        if (key.find(kAssign) != std::string::npos || key.find(sep) != std::string::npos
            || val.find(sep) != std::string::npos)
            return false;
        length += key.size() + val.size() + 2;
    }
    out.reserve(length);
    for (const auto& pair : pairs_) {
        out += pair->key_;
        out += kAssign;
        out += pair->val_;
        out += sep;
    }
    return true;
}

std::optional<std::string> Event::builderEvent(char sep) const
{
    std::string text;
    if (!writeText(text, sep))
        return std::nullopt;
    return text;
}

int Event::builderEvent(char* out, std::size_t capacity) const
{
    return builderEvent(out, capacity, kSeparator);
}

int Event::builderEvent(char* out, std::size_t capacity, char sep) const
{
    if (!out)
        return 0;
    std::string text;
    if (!writeText(text, sep) || text.size() >= capacity) {
        if (capacity > 0)
            out[0] = '\0';
        return 0;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

int Event::splitEvent(const char* text, char sep)
{
    if (!text)
        return 0;
    VLock hold(lock_);
    std::string_view rest(text);
    try {
        for (std::size_t end; (end = rest.find(sep)) != std::string_view::npos; rest.remove_prefix(end + 1)) {
            auto [key, val] = dividePair(rest.substr(0, end));
            appendPair(std::string(key), std::string(val));
        }
        // A last pair without its separator counts only when complete.
        auto [key, val] = dividePair(rest);
        if (!key.empty() && !val.empty())
            appendPair(std::string(key), std::string(val));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void Event::splitKV(const char* text, std::string& key, std::string& val)
{
    auto [keyPart, valPart] = dividePair(text ? std::string_view(text) : std::string_view());
    key.assign(keyPart);
    val.assign(valPart);
}

} // namespace CRL
