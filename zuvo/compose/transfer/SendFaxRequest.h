#pragma once

// The "sendfax" request that submits one uploaded fax, with its keys in the
// order the server has always received them, and the rules for the parts
// that come from outside: the recipients' names from the address book and
// the texts that must fit one PDU.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/session/AgentPort.h"

// What one "sendfax" carries.
struct SendFaxValues {
    // The account's.
    std::string faxUser;
    std::string password; // decoded
    std::string netId;
    std::string fromInfo;
    int tag = -1;
    std::string tagContent;
    int headFlag = 0;
    std::string fromName;
    std::string fromNum;
    int toNameFlag = 0;
    int toNumFlag = 0;
    // The record's.
    std::string timerFlag; // "%d"
    std::string title;
    std::string name;
    std::string company;
    std::string pages;
    std::string createTime;
    std::string sendTimer;
    std::string called; // Caller, or Caller "," ToCC
    // The name of each called number the address book knows, in list order.
    std::vector<std::pair<std::string, std::string>> namedNumbers;
    std::vector<std::string> attachFiles; // last component of each page's path
    // The program's.
    std::string lang;
    long invokeId = 0;
    std::string phone;
    std::string ipAddress;
    std::string loginMode;
    std::string netFaxNo;
    std::string os;
};

// The numbers of a called list: split at every ",", at most kMaxCalledNumbers
// of them, each cut to 255 bytes; an empty number between two commas keeps
// its place, an empty last one is dropped.
inline constexpr std::size_t kMaxCalledNumbers = 250;
std::vector<std::string> CalledNumbers(std::string_view called);

// A contact's name as "n.%s" carries it: whole up to 48 GBK bytes, else its
// first 47 bytes, never cut inside a character.
std::string NameForRequest(std::string_view name);

// A contact lookup over many numbers in one read of the address book: the
// Name for each number (nothing when no card has it), beside the numbers.
using NameLookup = std::function<std::vector<std::optional<std::string>>(const std::vector<std::string>&)>;

// The "n.%s" pairs of a called list: one per number that the lookup knows,
// in list order, with the name cut by NameForRequest. An empty number, and a
// number that cannot be a key (it holds "=" or "|"), gets none.
std::vector<std::pair<std::string, std::string>> NamedNumbers(const std::string& called, const NameLookup& lookup);

// Builds and queues the request: the result of invoke (0 = not sent). The
// "n.%s" pairs that would make the request longer than one PDU carries are
// left out, the later ones first (logged), so that a long recipient list
// never costs the fax.
int SendFaxRequest(AgentPort& agent, const SendFaxValues& values);
