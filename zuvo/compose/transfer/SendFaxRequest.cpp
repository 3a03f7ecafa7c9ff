// The "sendfax" request: its thirty keys in order, the recipients' names, and
// the budget that keeps the whole text within one PDU.
#include "compose/transfer/SendFaxRequest.h"

#include <algorithm>

#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "netvoy/Pdu.h"

namespace {

constexpr std::size_t kMaxNumberBytes = 255;
constexpr std::size_t kMaxNameBytes = 48;

// Bytes a pair takes in the request's text as it goes out: "key=value|" in GBK.
std::size_t WireBytes(std::string_view key, std::string_view value)
{
    return ToGbk(key).size() + ToGbk(RequestValue(value)).size() + 2;
}

// The pairs of the request, "n.%s" pairs at the place of the marker.
struct Pair {
    std::string key;
    std::string text;
    std::optional<long> number;
};

std::vector<Pair> FixedPairs(const SendFaxValues& v, std::size_t& namedAt)
{
    std::vector<Pair> pairs = {
        {"command", "sendfax", {}},       {"user", v.faxUser, {}},
        {"password", v.password, {}},     {"timeval", v.timerFlag, {}},
        {"netid", v.netId, {}},           {"title", v.title, {}},
        {"name", v.name, {}},             {"company", v.company, {}},
        {"pages", v.pages, {}},           {"createtime", v.createTime, {}},
        {"frominfo", v.fromInfo, {}},     {"sendtimer", v.sendTimer, {}},
        {"tag", "", v.tag},               {"tagcontent", v.tagContent, {}},
        {"called", v.called, {}},
    };
    namedAt = pairs.size();
    std::vector<Pair> rest = {
        {"lang", v.lang, {}},
        {"invokeid", "", v.invokeId},
        {"phone", v.phone, {}},
        {"ipaddress", v.ipAddress, {}},
        {"loginmode", v.loginMode, {}},
        {"netfaxno", v.netFaxNo, {}},
        {"os", v.os, {}},
        {"headflag", "", v.headFlag},
        {"fromname", v.fromName, {}},
        {"fromnum", v.fromNum, {}},
        {"tonameflag", "", v.toNameFlag},
        {"tonumflag", "", v.toNumFlag},
        {"attachfilecount", "", static_cast<long>(v.attachFiles.size())},
    };
    pairs.insert(pairs.end(), rest.begin(), rest.end());
    for (std::size_t i = 0; i < v.attachFiles.size(); ++i)
        pairs.push_back({FormatText("attachfile.items[%zu].filename", i), v.attachFiles[i], {}});
    return pairs;
}

} // namespace

std::vector<std::string> CalledNumbers(std::string_view called)
{
    std::vector<std::string> numbers;
    std::size_t start = 0;
    while (start <= called.size() && numbers.size() < kMaxCalledNumbers) {
        const std::size_t comma = called.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? called.size() : comma;
        if (comma == std::string_view::npos && end == start)
            break; // an empty last number
        numbers.emplace_back(called.substr(start, std::min(end - start, kMaxNumberBytes)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return numbers;
}

std::string NameForRequest(std::string_view name)
{
    return CutGbkText(name, kMaxNameBytes);
}

std::vector<std::pair<std::string, std::string>> NamedNumbers(const std::string& called, const NameLookup& lookup)
{
    std::vector<std::string> numbers;
    for (std::string& number : CalledNumbers(called)) {
        if (number.empty())
            continue;
        if (!IsRequestKey(("n." + number).c_str())) {
            cpLog(kLogFailure, "sendfax: called number <%s> cannot be a key; sent without its name", number.c_str());
            continue;
        }
        if (std::find(numbers.begin(), numbers.end(), number) == numbers.end())
            numbers.push_back(std::move(number)); // one key per number
    }
    std::vector<std::pair<std::string, std::string>> named;
    if (numbers.empty() || !lookup)
        return named;
    const std::vector<std::optional<std::string>> names = lookup(numbers);
    for (std::size_t i = 0; i < numbers.size() && i < names.size(); ++i)
        if (names[i])
            named.emplace_back("n." + numbers[i], NameForRequest(*names[i]));
    return named;
}

int SendFaxRequest(AgentPort& agent, const SendFaxValues& values)
{
    std::size_t namedAt = 0;
    const std::vector<Pair> pairs = FixedPairs(values, namedAt);
    std::size_t used = 0;
    for (const Pair& pair : pairs)
        used += WireBytes(pair.key, pair.number ? std::to_string(*pair.number) : pair.text);
    std::size_t named = 0;
    for (const auto& [key, name] : values.namedNumbers) {
        const std::size_t bytes = WireBytes(key, name);
        if (used + bytes > Netvoy::kMaxPayload)
            break;
        used += bytes;
        ++named;
    }
    if (named < values.namedNumbers.size())
        cpLog(kLogFailure, "sendfax of <%s>: %zu of %zu recipient names left out to fit one PDU",
              values.createTime.c_str(),
              values.namedNumbers.size() - named, values.namedNumbers.size());

    AgentRequest request(agent, "sendfax");
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        if (i == namedAt)
            for (std::size_t n = 0; n < named; ++n)
                request.arg(values.namedNumbers[n].first.c_str(), values.namedNumbers[n].second);
        if (pairs[i].number)
            request.arg(pairs[i].key.c_str(), *pairs[i].number);
        else
            request.arg(pairs[i].key.c_str(), pairs[i].text);
    }
    return request.invoke();
}
