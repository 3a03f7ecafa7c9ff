#!/usr/bin/env python3
"""Prints what a client sent to the fake agent server, from its log.

One line per PDU that came in, tab-separated:
    REQ  <t>  <hex> <key>=<value> ... a request: its text's bytes as they
                                    came (hexadecimal), then its pairs in order
    FILE <t>  <code>  <server name> a file-transfer PDU (code 3: download)
and one line per connection event:
    NOTE <t>  <conn>  <note>
"""
import json
import sys

for line in open(sys.argv[1], encoding="utf-8"):
    rec = json.loads(line)
    if "note" in rec:
        print("NOTE\t%s\t%s\t%s" % (rec["t"], rec["conn"], rec["note"]))
    elif rec.get("dir") == "in" and "event" in rec and rec.get("type") == 1:
        text = bytes.fromhex(rec["hex"])[15:].split(b"\0")[0]
        print("REQ\t%s\t%s\t%s" % (rec["t"], text.hex(), "\t".join("%s=%s" % (k, v) for k, v in rec["event"])))
    elif rec.get("dir") == "in" and "record" in rec:
        print("FILE\t%s\t%s\t%s" % (rec["t"], rec["code"], rec["record"]["file"]))
