#pragma once

#include <optional>
#include <string>
#include <string_view>

// The web sign-in's completion rule: what a finished page of the browser pane
// means for the session. Only the product site's callback page counts; any
// other page, even one whose address merely contains "Succeed=Y&UserId=",
// changes nothing.

// The parts of an absolute address that the rule looks at.
struct WebAddressParts {
    std::string scheme;  // lower case
    std::string host;    // lower case, without user info and port
    int port = -1;       // -1 when the address names none
    std::string path;    // "/" when empty
    std::string query;   // raw, without "?" and fragment
};

// Splits "scheme://[user@]host[:port][/path][?query][#fragment]".
// Gives nothing for a text that is not of that form or has a bad port.
std::optional<WebAddressParts> SplitWebAddress(std::string_view address);

// The value of a query key (exact, case-sensitive name), percent-decoded;
// nothing when the key does not occur. The first occurrence wins.
std::optional<std::string> QueryValue(std::string_view query, std::string_view name);

// "0021%010ld%s": "0021", the number value of userId zero-padded to 10 digits
// (a text that does not start with a number counts as 0), then userName.
std::string FormWebFaxUser(std::string_view userId, std::string_view userName);

struct WebSignInOutcome {
    enum Kind {
        Ignored,        // a page that is not the callback page
        Succeeded,      // the callback reported success; faxUser holds the identity
        ReopenGateway,  // the callback page without success: show the gateway again
    };
    Kind kind = Ignored;
    std::string userId;    // the query values read from the callback page
    std::string userName;
    std::string faxUser;
};

// Judges the address of a finished page against the product site (scheme and
// host, optionally a port, as in WebSignInSite::site). The callback page is the
// site's "/callback/logined.jsp"; success is its query key Succeed = "Y".
WebSignInOutcome JudgeSignInPage(std::string_view pageAddress, std::string_view site);
