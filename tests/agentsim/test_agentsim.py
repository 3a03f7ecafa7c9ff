#!/usr/bin/env python3
"""Self-test of the fake agent server: its framing and a scripted session
over a real loopback socket, so that extensions of it can be checked alone."""

import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, HERE)
import agentsim  # noqa: E402

# Generous bounds, for a loaded machine: what comes ends the wait at once.
WAIT = 60
LIFETIME = 120


def start_server(scenario, log):
    """The fake server on a free port playing `scenario` and logging to `log`:
    the process and its port."""
    proc = subprocess.Popen([sys.executable, os.path.join(HERE, "agentsim.py"), "--port", "0",
                             "--scenario-json", json.dumps(scenario), "--log", log, "--lifetime", str(LIFETIME)],
                            stdout=subprocess.PIPE, text=True)
    return proc, int(proc.stdout.readline().split()[1])


def upload_record(name):
    """An upload request's record for the three bytes "abc" of file `name`."""
    return agentsim.build_record(b"u", name, taskid=1, offset=0, datalen=3, filelen=3, data=b"abc").ljust(2464, b"\0")


class Framing(unittest.TestCase):
    def test_block_count_and_layout(self):
        for length, blocks in ((0, 1), (16, 2), (17, 3), (100, 8), (4064, 255)):
            pdu = agentsim.build_pdu(1, 1, b"x" * length, source=(3, 9), dest=(3, 9))
            self.assertEqual(len(pdu), blocks * 16)
            self.assertEqual(pdu[:15], bytes([blocks, 1, 0, 0, 0, 0, 0, 0, 3, 9, 3, 9, 1, 0, 0]))
        with self.assertRaises(ValueError):
            agentsim.build_pdu(1, 1, b"x" * 4065)

    def test_event_text_rules(self):
        self.assertEqual(agentsim.split_event("a=1|b=2"), [["a", "1"], ["b", "2"]])
        self.assertEqual(agentsim.split_event("a=1|b="), [["a", "1"]])
        self.assertEqual(agentsim.split_event("k=x=y||"), [["k", "x=y"], ["", ""]])

    def test_record_round_trip(self):
        raw = agentsim.build_record(b"u", b"f", taskid=7, offset=-5, datalen=3, filelen=9, data=b"abc")
        rec = agentsim.parse_record(raw)
        self.assertEqual((rec["taskid"], rec["offset"], rec["datalen"]), (7, 0xFFFFFFFB, 3))
        self.assertEqual(rec["data"], b"abc")


class Session(unittest.TestCase):
    def test_startup_rule_reply_upload_and_log(self):
        with tempfile.TemporaryDirectory() as tmp:
            scenario = {"rules": [{"match": {"command": "ping"},
                                   "actions": [{"send": "ans", "event": {"event": "pong", "id": "${id}"}}]}],
                        "files": {"upload_dir": tmp}}
            log = os.path.join(tmp, "log.jsonl")
            proc, port = start_server(scenario, log)
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=WAIT) as sock:
                    startup = read_pdu(sock)
                    self.assertEqual(startup, bytes([1, 1, 0, 0, 0, 0, 0, 0, 3, 9, 0, 0, 5, 1, 0, 0]))
                    sock.sendall(agentsim.build_pdu(1, 1, b"command=ping|id=42|"))
                    reply = read_pdu(sock)
                    self.assertEqual(agentsim.text_of(reply[15:]), b"event=pong|id=42|")
                    sock.sendall(agentsim.build_pdu(1, 6, upload_record(b"/x/doc.tif"), code=1))
                    answer = read_pdu(sock)
                    self.assertEqual((answer[12], answer[13], answer[14]), (6, 2, 1))
                    self.assertEqual(agentsim.parse_record(answer[15:])["offset"], 3)
                self.assertEqual(proc.wait(timeout=WAIT), 0)
            finally:
                proc.kill() if proc.poll() is None else None
                proc.stdout.close()
            with open(os.path.join(tmp, "doc.tif"), "rb") as f:
                self.assertEqual(f.read(), b"abc")
            records = [json.loads(line) for line in open(log, encoding="utf-8")]
            received = [r for r in records if r.get("dir") == "in"]
            self.assertEqual([r["type"] for r in received], [1, 6])
            self.assertEqual(received[0]["event"], [["command", "ping"], ["id", "42"]])
            self.assertEqual(received[1]["record"]["file"], "/x/doc.tif")

    def test_a_held_reply_goes_out_once_released(self):
        with tempfile.TemporaryDirectory() as tmp:
            release = os.path.join(tmp, "release")
            scenario = {"files": {"faults": [{"op": "upload", "chunk": 0, "action": "hold", "release": release}]}}
            log = os.path.join(tmp, "log.jsonl")
            proc, port = start_server(scenario, log)
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=WAIT) as sock:
                    read_pdu(sock)  # start-up
                    sock.sendall(agentsim.build_pdu(1, 6, upload_record(b"doc.tif"), code=1))
                    # Read as text: a line being written is no JSON yet.
                    noted = lambda note: '"note": "%s"' % note in open(log, encoding="utf-8").read()
                    deadline = time.monotonic() + WAIT
                    while not noted("reply-held") and time.monotonic() < deadline:
                        time.sleep(0.01)
                    self.assertTrue(noted("reply-held"))
                    sock.settimeout(0.3)
                    with self.assertRaises(socket.timeout):
                        sock.recv(1)
                    open(release, "w").close()
                    sock.settimeout(WAIT)
                    self.assertEqual(read_pdu(sock)[13], 2)
                self.assertEqual(proc.wait(timeout=WAIT), 0)
                notes = [json.loads(line).get("note") for line in open(log, encoding="utf-8")]
                self.assertLess(notes.index("reply-held"), notes.index("reply-released"))
            finally:
                proc.kill() if proc.poll() is None else None
                proc.stdout.close()

    def test_client_that_stops_reading_cannot_outlast_the_lifetime(self):
        flood = {"on_connect": [{"send": "ans", "event": {"pad": "x"}, "repeat": 4064}] * 1000}
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "agentsim.py"), "--port", "0",
                                 "--scenario-json", json.dumps(flood), "--lifetime", "1.5"],
                                stdout=subprocess.PIPE, text=True)
        try:
            port = int(proc.stdout.readline().split()[1])
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            sock.connect(("127.0.0.1", port))
            with sock:  # connected, never read from
                self.assertEqual(proc.wait(timeout=WAIT), 0)
        finally:
            proc.kill() if proc.poll() is None else None
            proc.stdout.close()


def read_pdu(sock):
    first = sock.recv(1)
    data = first
    while len(data) < first[0] * 16:
        data += sock.recv(first[0] * 16 - len(data))
    return data


if __name__ == "__main__":
    unittest.main()
