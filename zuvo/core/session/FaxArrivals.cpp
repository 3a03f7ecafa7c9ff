// The faxes of this run, by fax id (fax replies by event and fax id): who
// holds each on its way in, and which were filed.
#include "core/session/FaxArrivals.h"

#include <map>
#include <mutex>

#include "core/session/AgentEvents.h"
#include "jotter/Jotter.h"

namespace {

class Registry {
public:
    static Registry& Instance()
    {
        static Registry registry;
        return registry;
    }

    void Join()
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++holders_;
    }
    void Leave(const FaxArrivals* holder)
    {
        std::lock_guard<std::mutex> hold(lock_);
        ReleaseAllOf(holder);
        if (--holders_ == 0)
            faxes_.clear();
    }

    // Null when the fax is now the holder's; else why not.
    const char* Claim(const std::string& key, const FaxArrivals* holder)
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto [entry, added] = faxes_.try_emplace(key, Fax{holder, false});
        if (added)
            return nullptr;
        return entry->second.filed ? "filed already" : "queued or being fetched already";
    }
    void Release(const std::string& key, const FaxArrivals* holder)
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto entry = faxes_.find(key);
        if (entry != faxes_.end() && entry->second.holder == holder && !entry->second.filed)
            faxes_.erase(entry);
    }
    void Filed(const std::string& key)
    {
        std::lock_guard<std::mutex> hold(lock_);
        faxes_.insert_or_assign(key, Fax{nullptr, true});
    }
    void ReleaseAll(const FaxArrivals* holder)
    {
        std::lock_guard<std::mutex> hold(lock_);
        ReleaseAllOf(holder);
    }

private:
    struct Fax {
        const FaxArrivals* holder; // null once filed
        bool filed;
    };

    void ReleaseAllOf(const FaxArrivals* holder)
    {
        std::erase_if(faxes_, [holder](const auto& entry) { return !entry.second.filed && entry.second.holder == holder; });
    }

    std::mutex lock_;
    std::map<std::string, Fax> faxes_; // under lock_
    int holders_ = 0;                  // under lock_
};

} // namespace

FaxArrivals::FaxArrivals()
{
    Registry::Instance().Join();
}

FaxArrivals::~FaxArrivals()
{
    Registry::Instance().Leave(this);
}

std::string FaxArrivals::KeyOf(CRL::Event& event)
{
    const std::string faxId = event.getString("faxid");
    if (faxId.empty())
        return "";
    for (const char* reply : {"faxreply-accept", "faxreply-reject"})
        if (IsEvent(event, reply))
            return std::string(reply) + " " + faxId;
    return faxId;
}

bool FaxArrivals::Claim(CRL::Event& event)
{
    const std::string key = KeyOf(event);
    if (key.empty())
        return true;
    const char* held = Registry::Instance().Claim(key, this);
    if (!held)
        return true;
    cpLog(kLogTrace, "%s of fax <%s> dropped: %s in this run", event.getString("event"), event.getString("faxid"),
          held);
    return false;
}

void FaxArrivals::Release(CRL::Event& event)
{
    if (const std::string key = KeyOf(event); !key.empty())
        Registry::Instance().Release(key, this);
}

void FaxArrivals::Filed(CRL::Event& event)
{
    if (const std::string key = KeyOf(event); !key.empty())
        Registry::Instance().Filed(key);
}

void FaxArrivals::ReleaseAll()
{
    Registry::Instance().ReleaseAll(this);
}

FaxArrivals::Stored FaxArrivals::StoreOnce(CRL::Event& event, const std::function<bool()>& store)
{
    if (!Claim(event))
        return Stored::Dropped;
    if (!store()) {
        Release(event);
        return Stored::Failed;
    }
    Filed(event);
    return Stored::Done;
}
