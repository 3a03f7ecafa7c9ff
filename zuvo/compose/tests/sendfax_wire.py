#!/usr/bin/env python3
"""Checks what a send run put on the wire, from the fake agent server's log.

Every "sendfax" request must carry the keys in the server's order (any
"n.<number>" keys between "called" and "lang", one "attachfile.items[i].
filename" per attachment at the end, counted by "attachfilecount"), and
name every file uploaded since the request before it. Prints "OK" or one
line per problem, then what was sent, in order:

    UPLOAD <name> <offset>,<offset>...   the chunks of one upload
    DONE <name> <md5>                    an upload the server completed
    SENDFAX <createtime> <file>,<file>...
"""
import json
import sys

KEYS = ["command", "user", "password", "timeval", "netid", "title", "name", "company", "pages",
        "createtime", "frominfo", "sendtimer", "tag", "tagcontent", "called", "lang", "invokeid",
        "phone", "ipaddress", "loginmode", "netfaxno", "os", "headflag", "fromname", "fromnum",
        "tonameflag", "tonumflag", "attachfilecount"]


def last_component(path):
    for sep in "/\\:":
        path = path.rsplit(sep, 1)[-1]
    return path


def main(log_path):
    problems, lines = [], []
    uploads = {}          # task id -> (name, offsets)
    done_since = []       # uploads completed since the last "sendfax"
    for line in open(log_path, encoding="utf-8"):
        rec = json.loads(line)
        if rec.get("note") == "upload-complete":
            name = last_component(rec["file"])
            done_since.append(name)
            lines.append("DONE %s %s" % (name, rec["md5"]))
        elif rec.get("dir") == "in" and rec.get("type") == 6 and rec.get("code") == 1:
            record = rec["record"]
            entry = uploads.setdefault(record["taskid"], (last_component(record["file"]), []))
            entry[1].append(record["offset"])
        elif rec.get("dir") == "in" and rec.get("type") == 1:
            pairs = rec["event"]
            values = dict(pairs)
            if values.get("command") != "sendfax":
                continue
            keys = [k for k, _ in pairs]
            named = [k for k in keys if k.startswith("n.")]
            count = int(values.get("attachfilecount", "-1"))
            files = ["attachfile.items[%d].filename" % i for i in range(max(count, 0))]
            expected = KEYS[:15] + named + KEYS[15:] + files
            if keys != expected:
                problems.append("sendfax %s: keys %s" % (values.get("createtime"), keys))
            names = [values[k] for k in files if k in values]
            missing = [n for n in done_since if n not in names]
            if not done_since or missing:
                problems.append("sendfax %s: uploads %s, files %s" % (values.get("createtime"), done_since, names))
            lines.append("SENDFAX %s %s" % (values.get("createtime"), ",".join(names)))
            done_since = []
    for name, offsets in uploads.values():
        lines.append("UPLOAD %s %s" % (name, ",".join(str(o) for o in offsets)))
    print("\n".join(problems) if problems else "OK")
    print("\n".join(lines))


if __name__ == "__main__":
    main(sys.argv[1])
