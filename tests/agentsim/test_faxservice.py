#!/usr/bin/env python3
"""Self-test of the fax service: a fax list that forgets acknowledged
faxes (also in the next run, when it keeps them in a file), the "sendfax"
answers in turn, and uploads kept with their digest,
over a real loopback socket."""

import hashlib
import json
import os
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, HERE)
import agentsim  # noqa: E402


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.read()  # the start-up

    def read(self):
        first = self.sock.recv(1)
        data = first
        while len(data) < first[0] * 16:
            data += self.sock.recv(first[0] * 16 - len(data))
        return data

    def ask(self, text, answered=True):
        self.sock.sendall(agentsim.build_pdu(1, 1, text.encode("gbk")))
        if not answered:
            return None
        return dict(agentsim.split_event(agentsim.ungbk(agentsim.text_of(self.read()[15:]))))

    def silent_for(self, seconds):
        self.sock.settimeout(seconds)
        try:
            self.sock.recv(1)
            return False
        except socket.timeout:
            return True
        finally:
            self.sock.settimeout(5)


class FaxService(unittest.TestCase):
    def serve(self, tmp, service):
        path = os.path.join(tmp, "service.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(service, f)
        self.log = os.path.join(tmp, "log.jsonl")
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "faxservice.py"), "--service", path,
                                 "--port", "0", "--log", self.log, "--lifetime", "10"],
                                stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: (proc.kill() if proc.poll() is None else None, proc.stdout.close(), proc.wait()))
        return Client(int(proc.stdout.readline().split()[1]))

    def test_acknowledged_faxes_leave_the_list(self):
        with tempfile.TemporaryDirectory() as tmp:
            client = self.serve(tmp, {"faxes": [{"faxid": "F1", "type": 30}, {"faxid": "F2", "type": 40}]})
            first = client.ask("command=queryfaxlist|invokeid=7|")
            self.assertEqual((first["count"], first["faxlist[1].faxid"]), ("2", "F2"))
            ack = client.ask("command=updatefax|faxid=F1|faxtype=30|invokeid=7|")
            self.assertEqual((ack["event"], ack["result"], ack["faxid"]), ("updatefax", "success", "F1"))
            second = client.ask("command=queryfaxlist|invokeid=7|")
            self.assertEqual((second["count"], second["faxlist[0].faxid"]), ("1", "F2"))
            self.assertNotIn("faxlist[1].faxid", second)
            client.ask("command=updatefax|faxid=F2|faxtype=40|invokeid=7|")
            self.assertEqual(client.ask("command=queryfaxlist|invokeid=7|")["count"], "0")

    def test_a_kept_acknowledgement_holds_for_the_next_run(self):
        with tempfile.TemporaryDirectory() as tmp:
            service = {"acknowledged_file": os.path.join(tmp, "acknowledged"),
                       "faxes": [{"faxid": "F1"}, {"faxid": "F2"}],
                       "later": {"after": 0, "faxes": [{"faxid": "F1"}, {"faxid": "L1"}]}}
            first = self.serve(tmp, service)
            first.ask("command=updatefax|faxid=F1|invokeid=7|")
            first.ask("command=updatefax|faxid=F1|invokeid=7|")  # once more: kept once
            first.sock.close()
            with open(service["acknowledged_file"], encoding="utf-8") as f:
                self.assertEqual(f.read(), "F1\n")

            second = self.serve(tmp, service)
            listed = second.ask("command=queryfaxlist|invokeid=7|")
            self.assertEqual((listed["count"], listed["faxlist[0].faxid"]), ("1", "F2"))
            self.assertEqual(second.ask("command=login|invokeid=1|")["event"], "login")
            announced = dict(agentsim.split_event(agentsim.ungbk(agentsim.text_of(second.read()[15:]))))
            self.assertEqual((announced["event"], announced["faxid"]), ("faxreceived", "L1"))
            self.assertTrue(second.silent_for(0.5), "the acknowledged F1 is not announced again")

    def test_a_listed_fax_can_be_answered_without_a_fax(self):
        with tempfile.TemporaryDirectory() as tmp:
            client = self.serve(tmp, {"faxes": [{"faxid": "F1", "queryfax": "nofax"}, {"faxid": "F2"}]})
            self.assertEqual(client.ask("command=queryfaxlist|invokeid=7|")["faxlist[0].faxid"], "F1")
            gone = client.ask("command=queryfax|faxid=F1|invokeid=7|")
            self.assertEqual((gone["event"], gone["result"]), ("queryfax", "success"))
            self.assertNotIn("faxid", gone)
            self.assertNotIn("faxtype", gone)
            self.assertEqual(client.ask("command=queryfax|faxid=F2|invokeid=7|")["faxid"], "F2")

    def test_failed_acknowledgement_keeps_the_fax_listed(self):
        with tempfile.TemporaryDirectory() as tmp:
            client = self.serve(tmp, {"updatefax": "failed", "faxes": [{"faxid": "F1"}]})
            self.assertEqual(client.ask("command=updatefax|faxid=F1|invokeid=7|")["result"], "failed")
            self.assertEqual(client.ask("command=queryfaxlist|invokeid=7|")["count"], "1")

    def test_sendfax_answers_in_turn_then_success(self):
        with tempfile.TemporaryDirectory() as tmp:
            client = self.serve(tmp, {"sendfax": ["failed", "none", "queued"]})
            self.assertEqual(client.ask("command=sendfax|invokeid=9|")["result"], "failed")
            client.ask("command=sendfax|invokeid=9|", answered=False)
            self.assertTrue(client.silent_for(0.5))
            self.assertEqual(client.ask("command=sendfax|invokeid=9|")["result"], "queued")
            reply = client.ask("command=sendfax|invokeid=9|")
            self.assertEqual((reply["event"], reply["result"], reply["invokeid"]), ("sendfax", "success", "9"))

    def test_voice_prompt_answers_as_described(self):
        with tempfile.TemporaryDirectory() as tmp:
            for service, result in (({}, "success"), ({"voiceprompt": "nofile"}, "nofile")):
                client = self.serve(tmp, service)
                reply = client.ask("command=validatefaxprompt|faxuser=8001|filename=ring.wav.8001|invokeid=4|")
                self.assertEqual((reply["event"], reply["result"], reply["invokeid"]),
                                 ("validatefaxprompt", result, "4"))
            client = self.serve(tmp, {"voiceprompt": "none"})
            client.ask("command=validatefaxprompt|invokeid=4|", answered=False)
            self.assertTrue(client.silent_for(0.5))

    def test_uploads_are_kept_with_their_digest(self):
        with tempfile.TemporaryDirectory() as tmp:
            uploads = os.path.join(tmp, "up")
            os.mkdir(uploads)
            client = self.serve(tmp, {"upload_dir": uploads})
            data = bytes(range(256)) * 10  # two chunks
            for offset in (0, 2048):
                chunk = data[offset:offset + 2048]
                record = agentsim.build_record(b"u", b"/out/page.tif.20261210093001", taskid=5, offset=offset,
                                               datalen=len(chunk), filelen=len(data), data=chunk)
                client.sock.sendall(agentsim.build_pdu(1, 6, record.ljust(2464, b"\0"), code=1))
                self.assertEqual(client.read()[14], 1)
            with open(os.path.join(uploads, "page.tif.20261210093001"), "rb") as f:
                self.assertEqual(f.read(), data)
            client.sock.close()
            notes = [json.loads(line) for line in open(self.log, encoding="utf-8")]
            done = [n for n in notes if n.get("note") == "upload-complete"]
            self.assertEqual([n["md5"] for n in done], [hashlib.md5(data).hexdigest()])


if __name__ == "__main__":
    unittest.main()
