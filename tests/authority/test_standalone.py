#!/usr/bin/env python3
"""The test authority on its own, as a caller starts it for the integration
tests of an invoicing application: scripts/test-authority serves on the port
it is given, a parameter file written from the README alone (its example,
with the folder of curl and the invoice's path put in) submits its invoice,
the log says that both requests were accepted, and SIGTERM to the script
stops the server.

    python3 tests/authority/test_standalone.py KVITALINK README.md
                                               (ctest: authority_standalone)
"""

import os
import queue
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SCRIPT = os.path.join(ROOT, "scripts", "test-authority")
SCHEMAS = os.environ.get("NAV_SCHEMAS_DIR") or os.path.join(ROOT, "third_party", "nav-schemas")
SAMPLE_INVOICE = os.path.join(SCHEMAS, "invoices-3.0", "Belfoldi termekertekesites.xml")
KVITALINK = README = None

BEGIN = "<!-- example parameter file: begin -->"
END = "<!-- example parameter file: end -->"
START_SECONDS = 60


def example_lines(readme):
    """The README's example parameter file: the lines between the markers,
    without the code fences."""
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    block = text.split(BEGIN, 1)[1].split(END, 1)[0]
    return [l for l in block.strip("\n").split("\n") if not l.startswith("```")]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def log_fields(path):
    fields = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition(": ")
            fields.setdefault(key, value)
    return fields


class Standalone(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="test-authority-")
        self.dir = os.path.join(self.tmp, "authority dir")
        self.script = None

    def tearDown(self):
        # The script runs in a process group of its own: a test that failed
        # half-way leaves neither the script nor its server behind.
        if self.script:
            if self.script.poll() is None:
                os.killpg(self.script.pid, signal.SIGKILL)
                self.script.wait(30)
            try:
                os.killpg(self.script.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.reader.join(30)
            self.script.stdout.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def start(self, *args):
        """Starts the script; returns what it printed up to the log line."""
        self.script = subprocess.Popen([SCRIPT, self.dir] + list(args), stdout=subprocess.PIPE,
                                       stderr=subprocess.STDOUT, text=True,
                                       start_new_session=True)
        lines = queue.Queue()
        self.reader = threading.Thread(
            target=lambda: [lines.put(l) for l in self.script.stdout] + [lines.put(None)],
            daemon=True)
        self.reader.start()
        printed, deadline = [], time.time() + START_SECONDS
        while True:
            try:
                line = lines.get(timeout=max(0.1, deadline - time.time()))
            except queue.Empty:
                self.fail("no log line within %d s: %s" % (START_SECONDS, "".join(printed)))
            if line is None:
                self.fail("the script ended: %s" % "".join(printed))
            printed.append(line)
            if line.startswith("log of every request"):
                return "".join(printed)

    def test_started_as_the_readme_says_it_accepts_the_readme_example(self):
        # What a previous start left behind does not count.
        os.makedirs(os.path.join(self.dir, "log"))
        with open(os.path.join(self.dir, "log", "0009-queryTaxpayer.txt"), "w") as f:
            f.write("accepted: no\n")
        with open(os.path.join(self.dir, "config.json"), "w") as f:
            f.write('{"operations": {"*": {"mode": "silent"}}}')

        port = free_port()
        printed = self.start("--port", str(port))
        self.assertIn("test authority on 127.0.0.1:%d " % port, printed)
        curldir = re.search(r'^  curldir:="(.*)"$', printed, re.M).group(1)
        self.assertEqual(curldir, os.path.join(self.dir, "curl"))
        for line in ('login:="kvtestlogin01"', 'password:="Jelszo123"', 'taxnumber:="11111111"',
                     'xmlkulcs:="ab-cd12-3456789abcde1XY2ZW3VU4TS"',
                     'techkulcs:="2K4N7Q9S3V6X8Z1B"'):
            self.assertIn("  " + line + "\n", printed)

        work = os.path.join(self.tmp, "szamlak")
        os.makedirs(work)
        invoice = os.path.join(work, "A12.xml")
        shutil.copy(SAMPLE_INVOICE, invoice)
        lines = []
        for line in example_lines(README):
            key = line.split(":=", 1)[0].strip().lower()
            if key == "curldir":
                line = 'curldir:="%s"' % curldir
            elif key == "invoicexml":
                line = 'invoicexml:="%s"' % invoice
            lines.append(line)
        self.assertTrue(any(l.startswith("teszturl:=") for l in lines), lines)
        param = os.path.join(work, "param.txt")
        with open(param, "wb") as f:
            f.write("".join(l + "\r\n" for l in lines).encode("cp1250"))
        run = subprocess.run([KVITALINK, "//headless", param], cwd=work, capture_output=True,
                             timeout=180)
        self.assertEqual((run.returncode, run.stderr), (0, b""))

        log = os.path.join(self.dir, "log")
        logged = sorted(n for n in os.listdir(log) if n.endswith(".txt"))
        self.assertEqual(logged, ["0001-tokenExchange.txt", "0002-manageInvoice.txt"])
        for name in logged:
            fields = log_fields(os.path.join(log, name))
            self.assertEqual(fields.get("accepted"), "yes", fields)
            self.assertEqual(fields.get("host"), "api-test.onlineszamla.nav.gov.hu", fields)
        with open(os.path.join(work, "A12_invoiceresponse.xml"), "rb") as f:
            self.assertIn(b"funcCode>OK<", f.read())

        # SIGTERM to the script stops the server with it.
        self.script.send_signal(signal.SIGTERM)
        self.assertEqual(self.script.wait(30), 0)
        with socket.socket() as s:
            with self.assertRaises(ConnectionRefusedError):
                s.connect(("127.0.0.1", port))

    def test_a_port_in_use_is_refused_by_name(self):
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", 0))
            taken.listen()
            port = taken.getsockname()[1]
            script = subprocess.run([SCRIPT, self.dir, "--port", str(port)], capture_output=True,
                                    text=True, timeout=START_SECONDS)
        self.assertNotEqual(script.returncode, 0)
        self.assertIn("cannot listen on 127.0.0.1:%d" % port, script.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: test_standalone.py KVITALINK README.md [unittest options]")
    KVITALINK, README = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
