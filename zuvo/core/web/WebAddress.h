#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Web addresses that the main window opens: the single-sign-on gateway, the
// self-service, top-up and apply-for-an-account pages. Every query value is
// percent-encoded, since the login token is Base64 text with "+", "/", "="
// and line breaks.

// Percent-encodes every byte except the unreserved ones (A-Z a-z 0-9 - . _ ~).
std::string PercentEncode(std::string_view text);
// Decodes "%XX" sequences; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

// Joins a base address and key/value pairs as "base?k1=v1&k2=v2", values
// percent-encoded. A base that already holds a query gets the pairs after "&".
std::string AppendQuery(std::string_view base,
                        const std::vector<std::pair<std::string, std::string>>& pairs);

// Where the web sign-in happens. The gateway and the product site are
// deployment settings.
struct WebSignInSite {
    std::string gateway;  // scheme and host (and port) of the sign-on gateway
    std::string site;     // scheme and host (and port) of the product's web site
    std::string type;     // value of the "Type" query key
};

inline constexpr const char* kGatewayPath = "/ua/gate/UAGateServlet.do";
inline constexpr const char* kCallbackPath = "/callback/logined.jsp";

// The local time as "%04d%02d%02d%02d%02d%02d".
std::string SignInDate(const std::tm& localTime);

// gateway + "/ua/gate/UAGateServlet.do?Type=..&ReqType=auth&Date=..&MerchantUrl=.."
// with MerchantUrl the site's "/callback/logined.jsp".
std::string BuildSignInAddress(const WebSignInSite& site, const std::tm& localTime);

// "%s?userid=%s&userflag=%s" (AdminUrl, fax user, login token).
std::string BuildSelfServiceAddress(std::string_view adminUrl, std::string_view faxUser,
                                    std::string_view loginToken);
// "%s?userflag=%s" (ReqAccountUrl, login token).
std::string BuildApplyAccountAddress(std::string_view reqAccountUrl, std::string_view loginToken);
// "%s?userid=%s&userflag=%s" (OnlinePayUrl, fax user, login token).
std::string BuildOnlinePayAddress(std::string_view onlinePayUrl, std::string_view faxUser,
                                  std::string_view loginToken);
