#include "core/web/WebSignIn.h"

#include "core/web/WebAddress.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

std::string lowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

int defaultPort(const std::string& scheme)
{
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    return -1;
}

int effectivePort(const WebAddressParts& parts)
{
    return parts.port >= 0 ? parts.port : defaultPort(parts.scheme);
}

// A leading decimal number the way atol reads one, clamped to the range of long.
long leadingNumber(std::string_view text)
{
    // strtol clamps to LONG_MIN/LONG_MAX on overflow and gives 0 without digits.
    std::string copy(text);
    return std::strtol(copy.c_str(), nullptr, 10);
}

} // namespace

std::optional<WebAddressParts> SplitWebAddress(std::string_view address)
{
    std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd == 0) return std::nullopt;
    WebAddressParts parts;
    parts.scheme = lowerCase(address.substr(0, schemeEnd));
    std::string_view rest = address.substr(schemeEnd + 3);

    std::size_t fragment = rest.find('#');
    if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
    std::size_t authorityEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);
    std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        std::string_view portText = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
        if (!portText.empty()) {
            if (portText.size() > 5 ||
                !std::all_of(portText.begin(), portText.end(),
                             [](unsigned char c) { return std::isdigit(c); }))
                return std::nullopt;
            parts.port = std::atoi(std::string(portText).c_str());
            if (parts.port > 65535) return std::nullopt;
        }
    }
    if (authority.empty()) return std::nullopt;
    parts.host = lowerCase(authority);

    std::size_t question = rest.find('?');
    parts.path = std::string(rest.substr(0, question));
    if (parts.path.empty()) parts.path = "/";
    if (question != std::string_view::npos) parts.query = std::string(rest.substr(question + 1));
    return parts;
}

std::optional<std::string> QueryValue(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        std::size_t end = query.find('&');
        std::string_view pair = query.substr(0, end);
        std::size_t equals = pair.find('=');
        std::string_view key = pair.substr(0, equals);
        if (PercentDecode(key) == name)
            return equals == std::string_view::npos ? std::string()
                                                    : PercentDecode(pair.substr(equals + 1));
        if (end == std::string_view::npos) break;
        query = query.substr(end + 1);
    }
    return std::nullopt;
}

std::string FormWebFaxUser(std::string_view userId, std::string_view userName)
{
    char number[32];
    std::snprintf(number, sizeof number, "%010ld", leadingNumber(userId));
    return "0021" + std::string(number) + std::string(userName);
}

WebSignInOutcome JudgeSignInPage(std::string_view pageAddress, std::string_view site)
{
    WebSignInOutcome outcome;
    auto page = SplitWebAddress(pageAddress);
    auto home = SplitWebAddress(site);
    if (!page || !home) return outcome;
    std::string callbackPath = home->path;
    while (!callbackPath.empty() && callbackPath.back() == '/') callbackPath.pop_back();
    callbackPath += kCallbackPath;
    if (page->scheme != home->scheme || page->host != home->host ||
        effectivePort(*page) != effectivePort(*home) || page->path != callbackPath)
        return outcome;

    if (QueryValue(page->query, "Succeed") == "Y") {
        outcome.kind = WebSignInOutcome::Succeeded;
        outcome.userId = QueryValue(page->query, "UserId").value_or("");
        outcome.userName = QueryValue(page->query, "UserName").value_or("");
        outcome.faxUser = FormWebFaxUser(outcome.userId, outcome.userName);
    } else {
        outcome.kind = WebSignInOutcome::ReopenGateway;
    }
    return outcome;
}
