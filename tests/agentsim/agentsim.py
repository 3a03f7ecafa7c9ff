#!/usr/bin/env python3
"""A fake agent server for tests, written from the wire format alone.

It listens on 127.0.0.1, greets each client with the Sys start-up PDU, plays
a JSON scenario (replies to requests, heartbeats, shut-down, malformed PDUs,
stalls, disconnects, file transfer with faults), records every PDU in a
JSON-lines log and ends itself after a bounded lifetime.

    agentsim.py --port 0 --scenario s.json --log pdus.jsonl --lifetime 10

Once listening it prints "LISTENING <port>" on stdout. See README.md for the
scenario format and the log records.
"""

import argparse
import hashlib
import json
import os
import queue
import socket
import sys
import threading
import time

BLOCK = 16
MAX_PAYLOAD = 4064
MSU, NMU = 1, 2
REQUIRE, ANS, SYS, USERCMD = 1, 2, 5, 6
USR_TYPES = (3, 4, 6)
SYS_STARTUP, SYS_SHUTDOWN, SYS_ANSWER = 1, 2, 5
CMD_UPLOAD, CMD_DOWNLOAD = 1, 3
REPLY_UPLOAD, REPLY_DOWNLOAD = 2, 4
RECORD_HEAD = 416
CHUNK = 2048
U32 = 0xFFFFFFFF


# ---------------------------------------------------------------- wire format

def block_count(length):
    return (length >> 4) + (1 if length % BLOCK else 0) + 1


def build_pdu(family, ptype, payload=b"", code=0, flag=0, source=(0, 0), dest=(0, 0),
              word4=0, offset=None):
    """A whole PDU; the payload starts at byte 15 (Msu) or 14 (Nmu)."""
    if offset is None:
        offset = 15 if family == MSU else 14
    if len(payload) > MAX_PAYLOAD:
        raise ValueError("payload of %d bytes is too long" % len(payload))
    n = block_count(len(payload))
    pdu = bytearray(n * BLOCK)
    pdu[0], pdu[1] = n, family
    pdu[4:8] = (word4 & U32).to_bytes(4, "little")
    pdu[8], pdu[9] = source
    pdu[10], pdu[11] = dest
    pdu[12], pdu[13], pdu[14] = ptype, code & 0xFF, flag & 0xFF
    pdu[offset:offset + len(payload)] = payload
    return bytes(pdu)


def text_of(body):
    """Event text from a PDU body: up to the first zero byte."""
    end = body.find(b"\0")
    return body if end < 0 else body[:end]


def event_text(pairs):
    return "".join("%s=%s|" % (k, v) for k, v in pairs)


def split_event(text):
    """The event text's pairs in order; a last pair without "|" counts when
    both its key and its value are non-empty."""
    parts = text.split("|")
    tail = parts.pop()
    pairs = [list(part.partition("=")[::2]) for part in parts]
    key, _, val = tail.partition("=")
    if key and val:
        pairs.append([key, val])
    return pairs


def as_pairs(event):
    if isinstance(event, dict):
        return [[k, str(v)] for k, v in event.items()]
    return [[str(k), str(v)] for k, v in event]


def u32(value):
    return int(value) & U32


def build_record(user=b"", name=b"", taskid=0, offset=0, datalen=0, filelen=0, data=b""):
    rec = bytearray(RECORD_HEAD)
    rec[8:8 + min(len(user), 127)] = user[:127]
    rec[136:136 + min(len(name), 255)] = name[:255]
    rec[392:396] = u32(taskid).to_bytes(4, "little")
    rec[396:400] = u32(offset).to_bytes(4, "little")
    rec[400:404] = u32(datalen).to_bytes(4, "little")
    rec[404:408] = u32(filelen).to_bytes(4, "little")
    return bytes(rec) + data


def parse_record(body):
    body = bytes(body).ljust(RECORD_HEAD, b"\0")

    def cstr(raw):
        return raw.split(b"\0", 1)[0]

    def num(at):
        return int.from_bytes(body[at:at + 4], "little")

    return {
        "user": cstr(body[8:136]),
        "file": cstr(body[136:392]),
        "taskid": num(392),
        "offset": num(396),
        "datalen": num(400),
        "filelen": num(404),
        "data": body[RECORD_HEAD:],
    }


def gbk(text):
    return text.encode("gbk")


def ungbk(raw):
    return raw.decode("gbk", errors="replace")


# ---------------------------------------------------------------- the log

class Log:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.start = time.monotonic()
        self.out = open(path, "a", encoding="utf-8") if path else None

    def write(self, record):
        if not self.out:
            return
        record = dict(t=round(time.monotonic() - self.start, 4), **record)
        with self.lock:
            self.out.write(json.dumps(record, ensure_ascii=False) + "\n")
            self.out.flush()

    def pdu(self, conn, direction, raw):
        rec = {
            "conn": conn, "dir": direction, "n": raw[0], "family": raw[1],
            "type": raw[12] if len(raw) > 12 else None,
            "code": raw[13] if len(raw) > 13 else None,
            "flag": raw[14] if len(raw) > 14 else None,
            "word4": int.from_bytes(raw[4:8], "little") if len(raw) >= 8 else None,
            "src": list(raw[8:10]), "dst": list(raw[10:12]), "len": len(raw),
        }
        info = describe(raw)
        rec.update(info)
        rec["hex"] = raw.hex()
        self.write(rec)

    def note(self, conn, what, **extra):
        self.write(dict(conn=conn, note=what, **extra))


def describe(raw):
    """Decoded contents of a PDU for the log: its event or its file record."""
    if len(raw) < 16:
        return {}
    family, ptype = raw[1], raw[12]
    if (family == MSU and ptype in (REQUIRE, ANS)) or (family == NMU and 1 <= ptype <= 5):
        text = ungbk(text_of(raw[15 if family == MSU else 14:]))
        return {"text": text, "event": split_event(text)}
    if family == MSU and (ptype == USERCMD or ptype in USR_TYPES):
        rec = parse_record(raw[15:])
        data = rec.pop("data")
        data = data[:rec["datalen"]] if rec["datalen"] <= CHUNK else b""
        rec["user"] = ungbk(rec["user"])
        rec["file"] = ungbk(rec["file"])
        rec["data_md5"] = hashlib.md5(data).hexdigest()
        return {"record": rec}
    return {}


# ---------------------------------------------------------------- one client

class Closed(Exception):
    pass


class Connection:
    def __init__(self, sock, number, scenario, log, deadline, hook=None):
        self.sock = sock
        self.hook = hook
        self.number = number
        self.scenario = scenario
        self.log = log
        self.deadline = deadline
        self.inbox = queue.Queue()
        self.closed = threading.Event()
        self.send_lock = threading.Lock()
        self.rules = [dict(rule, used=0) for rule in scenario.get("rules", [])]
        files = scenario.get("files", {})
        self.upload_dir = files.get("upload_dir")
        self.downloads = files.get("downloads", {})
        self.reply_type = files.get("reply_type", 6)
        self.faults = files.get("faults", [])
        self.chunks = {"upload": 0, "download": 0}
        self.uploads = {}
        self.startup = scenario.get("startup", [3, 9])
        self.source = tuple(self.startup) if self.startup else (0, 0)
        self.closing = False

    # -- I/O
    def reader(self):
        try:
            while True:
                first = self.recv_exact(1)
                if first[0] == 0:
                    self.log.note(self.number, "bad-count")
                    break
                raw = first + self.recv_exact(first[0] * BLOCK - 1)
                self.log.pdu(self.number, "in", raw)
                self.inbox.put(raw)
        except (Closed, OSError):
            self.log.note(self.number, "eof")
        self.closed.set()
        self.inbox.put(None)

    def recv_exact(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise Closed()
            data += chunk
        return data

    def send(self, raw):
        # Logged before it goes out, so the log keeps cause before effect.
        with self.send_lock:
            if self.closed.is_set():
                return
            if len(raw) >= 16 and raw[0] * BLOCK == len(raw):
                self.log.pdu(self.number, "out", raw)
            else:
                self.log.note(self.number, "raw-out", hex=raw.hex())
            try:
                self.sock.sendall(raw)
            except OSError:
                pass

    def close(self):
        if self.closing:
            return
        self.closing = True
        self.log.note(self.number, "close")
        self.closed.set()
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def sleep(self, seconds):
        """Sleeps, but wakes when the client goes away."""
        self.closed.wait(min(seconds, max(0.0, self.deadline - time.monotonic())))

    # -- the run of one connection
    def run(self):
        self.log.note(self.number, "connect")
        threading.Thread(target=self.reader, daemon=True).start()
        try:
            if self.startup:
                self.send(build_pdu(MSU, SYS, code=SYS_STARTUP, source=self.source))
            self.perform(self.scenario.get("on_connect", []), {})
            if self.scenario.get("end", "serve") == "close":
                self.close()
            else:
                if not self.serve_until(lambda raw: False, self.deadline):
                    self.log.note(self.number, "lifetime")
        except Closed:
            pass
        self.close()
        self.sock.close()

    def serve_until(self, done, until):
        """Handles incoming PDUs until `done(raw)` holds; False on time-out."""
        while True:
            left = until - time.monotonic()
            if left <= 0:
                return False
            try:
                raw = self.inbox.get(timeout=min(left, 0.2))
            except queue.Empty:
                continue
            if raw is None:
                raise Closed()
            self.handle(raw)
            if done(raw):
                return True

    # -- incoming PDUs
    def handle(self, raw):
        family, ptype = raw[1], raw[12]
        if family == MSU and ptype == REQUIRE:
            pairs = split_event(ungbk(text_of(raw[15:])))
            request = dict((k.lower(), v) for k, v in pairs)
            answer = self.hook(request) if self.hook else None
            if answer is not None:
                self.perform(answer, request)
                return
            for rule in self.rules:
                times = rule.get("times")
                if (times is None or rule["used"] < times) and matches(rule.get("match", {}), raw, pairs):
                    rule["used"] += 1
                    self.perform(rule.get("actions", []), request)
                    break
        elif family == MSU and ptype == USERCMD:
            rec = parse_record(raw[15:])
            if raw[13] == CMD_UPLOAD:
                self.on_upload(rec)
            elif raw[13] == CMD_DOWNLOAD:
                self.on_download(rec)

    def fault_for(self, op):
        index = self.chunks[op]
        self.chunks[op] += 1
        for fault in self.faults:
            if fault.get("op") == op and fault.get("chunk", index) in (index, "any"):
                return fault
        return None

    def file_reply(self, fault, code, ok, rec_fields):
        """Sends a file reply unless the fault says otherwise; False ends the connection."""
        action = fault.get("action") if fault else None
        if action == "disconnect":
            self.close()
            raise Closed()
        if action == "drop":
            self.log.note(self.number, "reply-dropped")
            return
        if action == "delay":
            self.sleep(float(fault.get("seconds", 1.0)))
        if action == "refuse":
            ok = False
        if action == "wrong-kind":  # an upload reply for a download and the other way round
            code = REPLY_DOWNLOAD if code == REPLY_UPLOAD else REPLY_UPLOAD
        if fault and fault.get("fields"):
            rec_fields.update(fault["fields"])
        for key in ("user", "name"):  # given as text in a scenario: GBK on the wire
            if isinstance(rec_fields.get(key), str):
                rec_fields[key] = gbk(rec_fields[key])
        data = rec_fields.pop("data", b"")
        if "data_bytes" in rec_fields:
            count = int(rec_fields.pop("data_bytes"))
            data = (data + bytes(count))[:count]
        payload = build_record(data=data, **rec_fields)
        self.send(build_pdu(MSU, self.reply_type, payload, code=code, flag=1 if ok else 0,
                            source=self.source, dest=self.source))

    def on_upload(self, rec):
        fault = self.fault_for("upload")
        chunk = rec["data"][:min(rec["datalen"], CHUNK)]
        ok = rec["datalen"] <= CHUNK and rec["offset"] <= rec["filelen"]
        if ok and not (fault and fault.get("action") in ("refuse", "drop", "disconnect")):
            upload = self.uploads.setdefault(rec["taskid"], bytearray())
            if len(upload) < rec["offset"]:
                upload.extend(bytes(rec["offset"] - len(upload)))
            upload[rec["offset"]:] = chunk
            if self.upload_dir and len(upload) >= rec["filelen"]:
                name = basename(ungbk(rec["file"]))
                path = os.path.join(self.upload_dir, name)
                with open(path, "wb") as out:
                    out.write(upload)
                self.log.note(self.number, "upload-complete", file=path,
                              md5=hashlib.md5(upload).hexdigest(), size=len(upload))
        self.file_reply(fault, REPLY_UPLOAD, ok, dict(
            user=rec["user"], name=rec["file"], taskid=rec["taskid"],
            offset=rec["offset"] + len(chunk), datalen=len(chunk), filelen=rec["filelen"]))

    def on_download(self, rec):
        fault = self.fault_for("download")
        path = self.downloads.get(ungbk(rec["file"]))
        content = b""
        ok = path is not None and os.path.isfile(path)
        if ok:
            with open(path, "rb") as served:
                content = served.read()
        # A reply for another offset than asked carries that offset's data,
        # as a server that mixed up its requests would send it.
        offset = rec["offset"]
        if fault and "offset" in fault.get("fields", {}):
            offset = u32(fault["fields"]["offset"])
        chunk = content[offset:offset + min(rec["datalen"], CHUNK)]
        self.file_reply(fault, REPLY_DOWNLOAD, ok, dict(
            user=rec["user"], name=rec["file"], taskid=rec["taskid"], offset=offset,
            datalen=len(chunk), filelen=len(content), data=chunk))

    # -- scenario actions
    def perform(self, actions, request):
        for action in actions:
            if "sleep" in action:
                self.sleep(float(action["sleep"]))
            elif "close" in action:
                self.close()
                raise Closed()
            elif "wait_for" in action:
                until = min(self.deadline, time.monotonic() + float(action.get("timeout", 10)))
                want = action["wait_for"]
                found = self.serve_until(
                    lambda raw: matches(want, raw, split_event(ungbk(text_of(raw[15:])))), until)
                if not found:
                    self.log.note(self.number, "wait-timeout", want=want)
            elif "send" in action:
                self.send(self.build(action, request))
            if self.closed.is_set():
                raise Closed()

    def build(self, action, request):
        kind = action["send"]
        if kind == "raw":
            return bytes.fromhex(action["hex"].replace(" ", ""))
        if kind == "sys":
            return build_pdu(MSU, SYS, code=action.get("code", SYS_SHUTDOWN),
                             source=tuple(action.get("source", self.source)), dest=self.source)
        if kind == "heartbeat":
            action = dict(action, event=[["event", "heartbeat"], ["eventclass", "system"]])
        family = action.get("family", NMU if kind == "nmu" else MSU)
        ptype = action.get("type", 1 if kind == "nmu" else ANS)
        if "hex" in action:
            payload = bytes.fromhex(action["hex"].replace(" ", ""))
        elif "text" in action:
            payload = gbk(substitute(action["text"], request))
        elif "event" in action:
            payload = gbk(event_text([[k, substitute(v, request)] for k, v in as_pairs(action["event"])]))
        else:
            payload = b""
        if "repeat" in action:  # a payload filled up to a length, e.g. with no zero byte
            payload = (payload * (int(action["repeat"]) // max(1, len(payload)) + 1))[:int(action["repeat"])]
        return build_pdu(family, ptype, payload, code=action.get("code", 0),
                         flag=action.get("flag", 0), source=self.source, dest=self.source,
                         word4=action.get("word4", 0), offset=action.get("offset"))


def substitute(value, request):
    """Replaces ${key} with the value of that key in the request being answered."""
    value = str(value)
    for key, val in request.items():
        value = value.replace("${%s}" % key, val)
    return value


def matches(want, raw, pairs):
    fields = {"_family": raw[1], "_type": raw[12], "_code": raw[13], "_flag": raw[14]}
    lowered = dict((k.lower(), v) for k, v in reversed(pairs))
    for key, val in want.items():
        if key in fields:
            if fields[key] != val:
                return False
        elif key.startswith("_"):
            return False
        elif lowered.get(key.lower()) != str(val):
            return False
    return bool(want) or raw[1] == MSU and raw[12] == REQUIRE


def basename(name):
    for sep in "/\\:":
        name = name.rsplit(sep, 1)[-1]
    if name in ("", ".", ".."):
        name = "upload.bin"
    return name


# ---------------------------------------------------------------- the server

def main(argv=None, hook=None):
    """hook(request) -> actions or None: a service that keeps state answers
    requests first (request: the lower-cased keys and their values); None
    leaves the request to the scenario's rules."""
    parser = argparse.ArgumentParser(description="fake agent server for tests")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--scenario", help="JSON scenario file")
    parser.add_argument("--scenario-json", help="JSON scenario text")
    parser.add_argument("--log", help="JSON-lines record of every PDU")
    parser.add_argument("--lifetime", type=float, default=20.0, help="seconds before it ends itself")
    parser.add_argument("--connections", type=int, default=1, help="clients served before it ends")
    args = parser.parse_args(argv)

    if args.host != "127.0.0.1" and args.host != "localhost":
        parser.error("listens on loopback only")
    scenario = {}
    if args.scenario:
        with open(args.scenario, encoding="utf-8") as f:
            scenario = json.load(f)
    elif args.scenario_json:
        scenario = json.loads(args.scenario_json)

    log = Log(args.log)
    deadline = time.monotonic() + args.lifetime
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(4)
    print("LISTENING %d" % server.getsockname()[1], flush=True)

    served = 0
    status = 0
    while served < args.connections:
        left = deadline - time.monotonic()
        if left <= 0:
            log.note(0, "lifetime")
            status = 2
            break
        server.settimeout(min(left, 0.5))
        try:
            sock, _ = server.accept()
        except socket.timeout:
            continue
        served += 1
        # Every blocking call on the connection ends with the lifetime, so a
        # client that stops reading cannot hold the server past it.
        sock.settimeout(max(0.05, deadline - time.monotonic()))
        Connection(sock, served, scenario, log, deadline, hook).run()
    server.close()
    log.note(0, "end", served=served)
    return status


if __name__ == "__main__":
    sys.exit(main())
