#!/usr/bin/env python3
"""The fax service on top of the fake agent server.

Turns a short description of the service (the account's login reply, the
faxes waiting on the server with their files, what happens after the login)
into an agentsim scenario and serves it with agentsim.py:

    faxservice.py --service svc.json --port 0 --log pdus.jsonl --lifetime 20

Every other option is agentsim's. --write-scenario FILE also saves the
scenario made. The log (agentsim's) records every request and file PDU.

Service description (JSON; every key optional):

    {
      "login": "success" | "failed" | "silent",     # default "success"
      "cause": "...",                               # of a failed login
      "netfaxno": "88001234", "remoteaddress": "10.1.2.3",
      "after_login": [ ...agentsim actions... ],    # e.g. the events below
      "faxes": [
        {"faxid": "F1", "type": 30, "called": "021...", "title": "...",
         "content": "<html>..</html>", "createtime": "2026-12-01 08:00:00",
         "pages": 3, "sendfaxflag": 0, "invalidatefax": 0,
         "queryfax": "success" | "failed" | "nofax", # result of its "queryfax" reply; "nofax":
                                                    # a success that carries no fax
         "files": [{"name": "fax/F1.tif", "path": "/tmp/served.tif",
                    "label": "F1.tif"}]}           # "attachfile[i].name" (default: name)
      ],
      "count": 1000000000,                          # the list's claimed count (default: len(faxes))
      "unlisted": "nofax" | "failed",               # reply to "queryfax" for a fax not listed
                                                    # (default: none)
      "updatefax": "success" | "failed",            # default "success"; a fax acknowledged
                                                    # with success leaves later lists
      "acknowledged_file": "/tmp/x/acknowledged",   # the faxids acknowledged, a line each, kept
                                                    # there for the next run, which neither lists
                                                    # nor announces them (default: none kept)
      "upload_dir": "/tmp/x/uploads",               # uploads kept there (md5 in the log)
      "sendfax": "success" | "failed" | "<other>" | "none"  # the answer to every "sendfax",
                 or ["failed", "none", ...],        # or one per "sendfax" in turn, then
                                                    # "success"; "none" answers nothing
      "update": {"result": "success", "updatedata": "v2",   # the reply to "update";
                 "files": [{"name": "bin/new", "path": "/tmp/new"}]},  # none: no reply
      "faults": [ ...agentsim file faults... ],
      "password": "secret",                         # the account's password: "checkpassword-z"
                                                    # with it as "password", and "changepassword"
                                                    # or "changepassword-z" with it as
                                                    # "oldpassword", succeed; the others fail
      "password_replies": "answer" | "silent",      # default "answer"; "silent": none answered
      "later": {"after": 60, "state": "...",        # after the login: a "notify" with this
                "faxes": [ ...as above... ]},       # state, then each fax as "faxreceived"
      "voiceprompt": "success" | "<other>" | "none" # the answer to "validatefaxprompt" (default
                                                    # "success"); "none" answers nothing
    }

Events to use in "after_login" (or on their own):
    {"send": "heartbeat"}
    {"send": "ans", "event": {"event": "notify", "state": "..."}}
    {"send": "ans", "event": {"event": "shutdown"}}, {"close": true}
"""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import agentsim  # noqa: E402


def reply(pairs):
    return {"send": "ans", "event": pairs}


def login_rule(service, acknowledged=frozenset()):
    mode = service.get("login", "success")
    if mode == "silent":
        return None
    pairs = [["event", "login"], ["result", mode], ["invokeid", "${invokeid}"]]
    if mode == "success":
        pairs += [["remoteaddress", service.get("remoteaddress", "127.0.0.1")],
                  ["netfaxno", service.get("netfaxno", "88001234")]]
    else:
        pairs.append(["cause", service.get("cause", "refused")])
    later = later_actions(service["later"], acknowledged) if "later" in service else []
    return {"match": {"command": "login"},
            "actions": [reply(pairs)] + list(service.get("after_login", [])) + later}


def fax_list_reply(faxes, count):
    pairs = [["event", "queryfaxlist"], ["result", "success"], ["count", str(count)]]
    for i, fax in enumerate(faxes):
        pairs += [["faxlist[%d].faxid" % i, str(fax["faxid"])], ["faxlist[%d].type" % i, str(fax.get("type", 30))]]
    pairs.append(["invokeid", "${invokeid}"])
    return [reply(pairs)]


def fax_pairs(fax, event):
    files = fax.get("files", [])
    pairs = [["event", event], ["result", fax.get("queryfax", "success")], ["faxid", str(fax["faxid"])],
             ["faxtype", str(fax.get("type", 30))], ["called", fax.get("called", "02100000000")],
             ["title", fax.get("title", "")], ["content", fax.get("content", "")],
             ["createtime", fax.get("createtime", "")], ["pages", str(fax.get("pages", 0))],
             ["sendfaxflag", str(fax.get("sendfaxflag", 0))],
             ["invalidatefax", str(fax.get("invalidatefax", 0))],
             ["attachfilecount", str(len(files))]]
    for i, item in enumerate(files):
        pairs += [["attachfile.items[%d].filename" % i, item["name"]],
                  ["attachfile[%d].name" % i, item.get("label", item["name"])]]
    return pairs


def no_fax_pairs(result):
    """A "queryfax" reply that names no fax: a success that carries none
    ("nofax"), or a failure."""
    return [["event", "queryfax"], ["result", "success" if result == "nofax" else result],
            ["invokeid", "${invokeid}"]]


def fax_rule(fax):
    if fax.get("queryfax") == "nofax":
        pairs = no_fax_pairs("nofax")
    else:
        pairs = fax_pairs(fax, "queryfax") + [["invokeid", "${invokeid}"]]
    return {"match": {"command": "queryfax", "faxid": str(fax["faxid"])}, "actions": [reply(pairs)]}


def later_actions(later, acknowledged=frozenset()):
    """After the login: the connection is served as usual for "after"
    seconds (or until a logout), then a "notify" with "state" and each fax
    not yet acknowledged as a "faxreceived" event the server sends by itself."""
    actions = [{"wait_for": {"command": "logout"}, "timeout": later.get("after", 60)}]
    if "state" in later:
        actions.append(reply([["event", "notify"], ["state", later["state"]]]))
    actions += [reply(fax_pairs(fax, "faxreceived")) for fax in later.get("faxes", [])
                if str(fax["faxid"]) not in acknowledged]
    return actions


def read_acknowledged(service):
    """The faxids that earlier runs saw acknowledged (the service's
    "acknowledged_file"), none when it keeps no such file or has none yet."""
    path = service.get("acknowledged_file")
    if not path or not os.path.exists(path):
        return set()
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip()}


def unlisted_rule(result):
    """The reply to a "queryfax" of a fax the list does not hold."""
    return {"match": {"command": "queryfax"}, "actions": [reply(no_fax_pairs(result))]}


class FaxService:
    """What the service remembers between requests: the faxes acknowledged
    so far (a later list leaves them out) and the "sendfax" answers still to
    give. Answers the requests that depend on it; agentsim's rules answer
    the rest."""

    def __init__(self, service):
        self.faxes = service.get("faxes", [])
        self.count = service.get("count")
        self.update_result = service.get("updatefax", "success")
        answers = service.get("sendfax", "success")
        self.send_answers = list(answers) if isinstance(answers, list) else None
        self.send_answer = "success" if isinstance(answers, list) else answers
        self.acknowledged_file = service.get("acknowledged_file")
        self.acknowledged = read_acknowledged(service)

    def __call__(self, request):
        command = request.get("command", "").lower()
        if command == "queryfaxlist":
            waiting = [fax for fax in self.faxes if str(fax["faxid"]) not in self.acknowledged]
            return fax_list_reply(waiting, len(waiting) if self.count is None else self.count)
        if command == "updatefax":
            faxid = request.get("faxid", "")
            if self.update_result == "success" and faxid not in self.acknowledged:
                self.acknowledged.add(faxid)
                if self.acknowledged_file:
                    with open(self.acknowledged_file, "a", encoding="utf-8") as f:
                        f.write(faxid + "\n")
            return [reply([["event", "updatefax"], ["result", self.update_result],
                           ["faxid", "${faxid}"], ["invokeid", "${invokeid}"]])]
        if command == "sendfax":
            answer = self.send_answers.pop(0) if self.send_answers else self.send_answer
            if answer == "none":
                return []
            return [reply([["event", "sendfax"], ["result", answer], ["invokeid", "${invokeid}"]])]
        return None


def update_rule(update):
    files = update.get("files", [])
    pairs = [["event", "update"], ["result", update.get("result", "success")],
             ["updatedata", update.get("updatedata", "")], ["attachfilecount", str(len(files))]]
    for i, item in enumerate(files):
        pairs.append(["attachfile.items[%d].filename" % i, item["name"]])
    pairs.append(["invokeid", "${invokeid}"])
    return {"match": {"command": "update"}, "actions": [reply(pairs)]}


def password_rules(service):
    """The password requests: the right password succeeds, any other fails;
    each reply names its request's command as its "event"."""
    if "password" not in service or service.get("password_replies", "answer") == "silent":
        return []
    rules = []
    for command, key in (("checkpassword-z", "password"), ("changepassword", "oldpassword"),
                         ("changepassword-z", "oldpassword")):
        for result, match in (("success", {"command": command, key: service["password"]}),
                              ("failed", {"command": command})):
            pairs = [["event", command], ["result", result], ["invokeid", "${invokeid}"]]
            rules.append({"match": match, "actions": [reply(pairs)]})
    return rules


def voice_prompt_rules(service):
    """The answer to "validatefaxprompt", which names an uploaded file as the
    account's voice prompt."""
    result = service.get("voiceprompt", "success")
    if result == "none":
        return []
    pairs = [["event", "validatefaxprompt"], ["result", result], ["invokeid", "${invokeid}"]]
    return [{"match": {"command": "validatefaxprompt"}, "actions": [reply(pairs)]}]


def scenario_of(service):
    faxes = service.get("faxes", [])
    rules = [rule for rule in [login_rule(service, read_acknowledged(service))] if rule]
    if "update" in service:
        rules.append(update_rule(service["update"]))
    rules += [fax_rule(fax) for fax in faxes]
    if "unlisted" in service:
        rules.append(unlisted_rule(service["unlisted"]))
    rules += password_rules(service)
    rules += voice_prompt_rules(service)
    downloads = {}
    for owner in faxes + service.get("later", {}).get("faxes", []) + [service.get("update", {})]:
        for item in owner.get("files", []):
            downloads[item["name"]] = item["path"]
    files = {"downloads": downloads, "faults": service.get("faults", [])}
    if "upload_dir" in service:
        files["upload_dir"] = service["upload_dir"]
    return {"rules": rules, "files": files}


def main(argv=None):
    parser = argparse.ArgumentParser(description="the fax service on the fake agent server",
                                     add_help=False)
    parser.add_argument("--service", required=True, help="JSON description of the service")
    parser.add_argument("--write-scenario", help="also save the scenario made")
    args, rest = parser.parse_known_args(argv)
    with open(args.service, encoding="utf-8") as f:
        service = json.load(f)
    scenario = scenario_of(service)
    if args.write_scenario:
        with open(args.write_scenario, "w", encoding="utf-8") as f:
            json.dump(scenario, f, ensure_ascii=False, indent=1)
    return agentsim.main(rest + ["--scenario-json", json.dumps(scenario)], hook=FaxService(service))


if __name__ == "__main__":
    sys.exit(main())
