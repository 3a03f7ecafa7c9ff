#include "core/web/WebAddress.h"

#include <cstdio>

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// base + path without a doubled "/" between them.
std::string joinPath(std::string base, std::string_view path)
{
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + std::string(path);
}

} // namespace

std::string PercentEncode(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (isUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string AppendQuery(std::string_view base,
                        const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::string out(base);
    char separator = out.find('?') == std::string::npos ? '?' : '&';
    for (const auto& [key, value] : pairs) {
        out += separator;
        out += key;
        out += '=';
        out += PercentEncode(value);
        separator = '&';
    }
    return out;
}

std::string SignInDate(const std::tm& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string BuildSignInAddress(const WebSignInSite& site, const std::tm& localTime)
{
    return AppendQuery(joinPath(site.gateway, kGatewayPath), {{"Type", site.type},
                                                     {"ReqType", "auth"},
                                                     {"Date", SignInDate(localTime)},
                                                     {"MerchantUrl", joinPath(site.site, kCallbackPath)}});
}

std::string BuildSelfServiceAddress(std::string_view adminUrl, std::string_view faxUser,
                                    std::string_view loginToken)
{
    return AppendQuery(adminUrl, {{"userid", std::string(faxUser)},
                                  {"userflag", std::string(loginToken)}});
}

std::string BuildApplyAccountAddress(std::string_view reqAccountUrl, std::string_view loginToken)
{
    return AppendQuery(reqAccountUrl, {{"userflag", std::string(loginToken)}});
}

std::string BuildOnlinePayAddress(std::string_view onlinePayUrl, std::string_view faxUser,
                                  std::string_view loginToken)
{
    return BuildSelfServiceAddress(onlinePayUrl, faxUser, loginToken);
}
