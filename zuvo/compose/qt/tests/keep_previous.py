#!/usr/bin/env python3
"""Checks a "checkpassword-z" request against the "login" before it, from
the fake agent server's log: the check keeps every pair of the login in
its place, with command, password, invokeid and devicename given their new
values there, and adds faxuser and oldpassword at the end (the order in
which the check sets them).

    keep_previous.py LOG FAXUSER STORED TYPED INVOKEID

Prints "ok", or the expected and the sent pairs, and exits 1.
"""
import json
import sys


def requests(log):
    for line in open(log, encoding="utf-8"):
        rec = json.loads(line)
        if rec.get("dir") == "in" and rec.get("type") == 1 and "event" in rec:
            yield [list(pair) for pair in rec["event"]]


def command_of(pairs):
    return next((v for k, v in pairs if k.lower() == "command"), None)


def main(log, faxuser, stored, typed, invokeid):
    sent = list(requests(log))
    commands = [command_of(pairs) for pairs in sent]
    if "checkpassword-z" not in commands:
        print("no checkpassword-z in", commands)
        return 1
    at = commands.index("checkpassword-z")
    if at == 0 or commands[at - 1] != "login":
        print("checkpassword-z does not follow a login:", commands)
        return 1
    expected = [list(pair) for pair in sent[at - 1]]
    for key, value in [("command", "checkpassword-z"), ("faxuser", faxuser), ("oldpassword", stored),
                       ("password", typed), ("invokeid", invokeid), ("devicename", "fax:///" + faxuser)]:
        slot = next((pair for pair in expected if pair[0] == key), None)
        if slot:
            slot[1] = value
        else:
            expected.append([key, value])
    if sent[at] != expected:
        print("expected", expected)
        print("sent    ", sent[at])
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
