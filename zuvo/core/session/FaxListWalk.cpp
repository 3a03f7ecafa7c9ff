// The fax-list walk: the entries a list reply really holds, handed out one
// at a time, and what each "queryfax" reply asks for.
#include "core/session/FaxListWalk.h"

#include <algorithm>
#include <unordered_map>

#include "core/TextUtil.h"
#include "core/session/AgentEvents.h"
#include "jotter/Jotter.h"

namespace {

// The event's keys compare without regard to ASCII case, the first pair of
// a key winning; the list's pairs are read in one pass into a map under
// lower-case keys with the same rule, so that a long list is not searched
// from its start for every entry.
std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::unordered_map<std::string, std::string> ListPairs(CRL::Event& reply)
{
    static const std::string prefix = "faxlist[";
    std::unordered_map<std::string, std::string> pairs;
    const int length = reply.getLength();
    for (int i = 0; i < length; ++i) {
        std::string key = AsciiLower(reply.getKeyString(i));
        if (key.compare(0, prefix.size(), prefix) == 0)
            pairs.emplace(std::move(key), reply.getValString(i)); // the first of a key stays
    }
    return pairs;
}

std::string ValueOf(const std::unordered_map<std::string, std::string>& pairs, const std::string& key)
{
    const auto found = pairs.find(key);
    return found == pairs.end() ? std::string() : found->second;
}

} // namespace

void FaxListWalk::Start(CRL::Event& listReply)
{
    const int claimed = listReply.getInt("count");
    cpLog(kLogTrace, "queryfaxlist , return success , faxcount=<%d>", claimed);
    const int limit = std::min(std::max(0, claimed), kMaxEntries);
    const auto pairs = ListPairs(listReply);
    std::vector<Entry> entries;
    for (int i = 0; i < limit; ++i) {
        Entry entry{ValueOf(pairs, FormatText("faxlist[%d].faxid", i)), ValueOf(pairs, FormatText("faxlist[%d].type", i))};
        if (entry.faxId.empty())
            break;
        entries.push_back(std::move(entry));
    }
    const int count = static_cast<int>(entries.size());
    if (count < claimed)
        cpLog(kLogFailure, "the fax list claims %d faxes; %d are asked for (those it lists, at most %d)", claimed,
              count, kMaxEntries);
    std::lock_guard<std::mutex> hold(lock_);
    entries_ = std::move(entries);
    index_ = 0;
    count_ = count;
    askedFaxId_.clear();
}

bool FaxListWalk::Started() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return count_ >= 0;
}

std::optional<FaxListWalk::Entry> FaxListWalk::Next()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (index_ >= count_)
        return std::nullopt;
    Entry entry = entries_[static_cast<std::size_t>(index_++)];
    askedFaxId_ = entry.faxId;
    return entry;
}

bool FaxListWalk::AtEnd() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return index_ >= count_;
}

FaxListWalk::Reply FaxListWalk::Answered(CRL::Event& reply)
{
    const std::string replyFaxId = reply.getString("faxid");
    const std::string faxType = reply.getString("faxtype");
    std::string faxId = replyFaxId;
    const bool endsList = Succeeded(reply) && faxType.empty() && replyFaxId.empty();
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (faxId.empty())
            faxId = askedFaxId_;
        if (endsList)
            index_ = std::max(index_, count_);
    }
    if (endsList) {
        cpLog(kLogTrace, "queryfax reply carries no fax: the fax list ends here");
        return Reply::EndOfList;
    }
    if (!Succeeded(reply)) {
        cpLog(kLogFailure, "queryfax of <%s> failed (result <%s>, cause <%s>): left on the server", faxId.c_str(),
              reply.getString("result"), reply.getString("cause"));
        return Reply::LeaveOnServer;
    }
    if (faxType == "20")
        return Reply::StoreNow;
    if (faxType == "30" || faxType == "40" || faxType == "50")
        return Reply::Fetch;
    cpLog(kLogFailure, "fax <%s> of type <%s> is not one this program receives: left on the server", faxId.c_str(),
          faxType.c_str());
    return Reply::LeaveOnServer;
}

int FaxListWalk::Index() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return index_;
}

int FaxListWalk::Count() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}
