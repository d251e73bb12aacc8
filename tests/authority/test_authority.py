#!/usr/bin/env python3
"""Self-test of the loopback test authority and of the test CURLDIR.

    python3 tests/authority/test_authority.py      (ctest: authority_selftest)

It builds requests the way the client writes them (CR LF lines, tabs, the
envelope of each schema version, the request signature), posts them with the
real curl through a generated wrapper with the client's own command line, and
checks the answers against the authority's XSDs with xmllint and the token
against openssl. Needs python3, openssl, xmllint and curl; NAV_SCHEMAS_DIR
may point at the schemas (default: third_party/nav-schemas of the project).
"""

import base64
import glob
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import nav_authority as na        # noqa: E402
import make_curldir as mc         # noqa: E402

SCHEMAS = os.environ.get("NAV_SCHEMAS_DIR") or os.path.normpath(
    os.path.join(HERE, "..", "..", "third_party", "nav-schemas"))
TEST_HOST = "api-test.onlineszamla.nav.gov.hu"
PROD_HOST = "api.onlineszamla.nav.gov.hu"
SAMPLE_INVOICE = os.path.join(SCHEMAS, "invoices-3.0", "Belfoldi termekertekesites.xml")

USER = {"login": "kvtestlogin01", "password": "Jelsz0&Titok", "tax_number": "12345678",
        "xmlkulcs": "aa-bb11-2233445566ff7ABCDEFGHIJK", "techkulcs": "9Q8W7E6R5T4Y3U2I"}


# ------------------------------------------------------------ the client side

def ns_version(xsd):
    """Endpoint version and namespace the client uses for its XSDVERZIO."""
    if na.at_least(xsd, "3.0"):
        return "3.0"
    return "2.0" if xsd.startswith("2.0") else "1.1"


def segment(xsd):
    return "v%s/" % xsd[0] if na.at_least(xsd, "2.0") else ""


def build_request(xsd, root, body, user=USER, items=(), stamp=None, rid=None,
                  signature=None):
    """A request as the client writes it: one element per line, tabs, CR LF."""
    t3, t2 = na.at_least(xsd, "3.0"), na.at_least(xsd, "2.0")
    p = "common:" if t3 else ""
    a1, a2 = (' cryptoType="SHA-512"', ' cryptoType="SHA3-512"') if t3 else (" ", " ")
    stamp = stamp or time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime())
    rid = rid or "QK" + time.strftime("%Y%m%d") + "%05d%03d" % (time.time() % 86400, os.getpid() % 999 + 1)
    if t3:
        decl = ' xmlns:common="%s" xmlns="%s"' % (na.COMMON_NS, na.API_NS["3.0"])
    else:
        decl = ' xmlns="%s"' % na.API_NS[ns_version(xsd)]
    sig = signature or na.request_signature(rid, stamp, xsd, user["xmlkulcs"], items,
                                            root.startswith("Manage"))
    pw = na.sha512_hex(user["password"].encode("utf-8"))
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<%s%s>" % (root, decl),
             "\t<%sheader>" % p,
             "\t\t<%srequestId>%s</%srequestId>" % (p, rid, p),
             "\t\t<%stimestamp>%s</%stimestamp>" % (p, stamp, p),
             "\t\t<%srequestVersion>%s</%srequestVersion>" % (p, xsd, p),
             "\t\t<%sheaderVersion>1.0</%sheaderVersion>" % (p, p),
             "\t</%sheader>" % p, "\t<%suser>" % p,
             "\t\t<%slogin>%s</%slogin>" % (p, user["login"], p),
             "\t\t<%spasswordHash%s>%s</%spasswordHash>" % (p, a1, pw, p),
             "\t\t<%staxNumber>%s</%staxNumber>" % (p, user["tax_number"], p),
             "\t\t<%srequestSignature%s>%s</%srequestSignature>" % (p, a2, sig, p),
             "\t</%suser>" % p, "\t<software>",
             "\t\t<softwareId>HU12345678KVITALNK</softwareId>",
             "\t\t<softwareName>kvitalink</softwareName>",
             "\t\t<softwareOperation>LOCAL_SOFTWARE</softwareOperation>"]
    if t2:
        lines += ["\t\t<softwareMainVersion>1.0</softwareMainVersion>",
                  "\t\t<softwareDevName>Fejleszto Kft.</softwareDevName>",
                  "\t\t<softwareDevContact>info@example.hu</softwareDevContact>"]
    lines += ["\t</software>"] + body + ["</%s>" % root]
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def invoice_body(xsd, token, operation, content):
    if na.at_least(xsd, "2.0"):
        ops = ["\t\t<compressedContent>false</compressedContent>", "\t\t<invoiceOperation>",
               "\t\t\t<index>1</index>",
               "\t\t\t<invoiceOperation>%s</invoiceOperation>" % operation,
               "\t\t\t<invoiceData>%s</invoiceData>" % content]
    else:
        ops = ["\t\t<technicalAnnulment>false</technicalAnnulment>",
               "\t\t<compressedContent>false</compressedContent>", "\t\t<invoiceOperation>",
               "\t\t\t<index>1</index>", "\t\t\t<operation>%s</operation>" % operation,
               "\t\t\t<invoice>%s</invoice>" % content]
    return (["\t<exchangeToken>%s</exchangeToken>" % token, "\t<invoiceOperations>"] + ops
            + ["\t\t</invoiceOperation>", "\t</invoiceOperations>"])


def annulment_content(namespace_version, number="A/2022/1"):
    doc = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
           '<InvoiceAnnulment xmlns="http://schemas.nav.gov.hu/OSA/%s/annul">\r\n'
           "<annulmentReference>%s</annulmentReference>\r\n"
           "<annulmentTimestamp>%s</annulmentTimestamp>\r\n"
           "<annulmentCode>ERRATIC_DATA</annulmentCode>\r\n"
           "<annulmentReason>Hibás adat</annulmentReason>\r\n"
           "</InvoiceAnnulment>\r\n") % (namespace_version, number,
                                          time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime()))
    return base64.b64encode(doc.encode("utf-8")).decode("ascii")


def annulment_body(token, content):
    return ["\t<exchangeToken>%s</exchangeToken>" % token, "\t<annulmentOperations>",
            "\t\t<annulmentOperation>", "\t\t\t<index>1</index>",
            "\t\t\t<annulmentOperation>ANNUL</annulmentOperation>",
            "\t\t\t<invoiceAnnulment>%s</invoiceAnnulment>" % content,
            "\t\t</annulmentOperation>", "\t</annulmentOperations>"]


QUERY_BODIES = {
    "queryTransactionStatus": ["\t<transactionId>T1</transactionId>",
                               "\t<returnOriginalRequest>false</returnOriginalRequest>"],
    "queryInvoiceStatus": ["\t<transactionId>T1</transactionId>",
                           "\t<returnOriginalRequest>false</returnOriginalRequest>"],
    "queryTaxpayer": ["\t<taxNumber>87654321</taxNumber>"],
    "queryInvoiceData": ["\t<invoiceNumberQuery>", "\t\t<invoiceNumber>A/2022 01</invoiceNumber>",
                         "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>", "\t</invoiceNumberQuery>"],
    "queryInvoiceData_1": ["\t<page>1</page>", "\t<invoiceQuery>",
                           "\t\t<invoiceNumber>A/2022 01</invoiceNumber>", "\t</invoiceQuery>"],
    "queryInvoiceCheck": ["\t<invoiceNumberQuery>", "\t\t<invoiceNumber>X1</invoiceNumber>",
                          "\t\t<invoiceDirection>INBOUND</invoiceDirection>",
                          "\t\t<supplierTaxNumber>87654321</supplierTaxNumber>",
                          "\t</invoiceNumberQuery>"],
    "queryInvoiceDigest": ["\t<page>2</page>", "\t<invoiceDirection>OUTBOUND</invoiceDirection>",
                           "\t<invoiceQueryParams>", "\t\t<mandatoryQueryParams>",
                           "\t\t\t<invoiceIssueDate>", "\t\t\t\t<dateFrom>2022-01-01</dateFrom>",
                           "\t\t\t\t<dateTo>2022-01-31</dateTo>", "\t\t\t</invoiceIssueDate>",
                           "\t\t</mandatoryQueryParams>", "\t</invoiceQueryParams>"],
    "queryInvoiceChainDigest": ["\t<page>1</page>", "\t<invoiceChainQuery>",
                                "\t\t<invoiceNumber>A 1</invoiceNumber>",
                                "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>",
                                "\t</invoiceChainQuery>"],
}


def root_of(operation):
    return na.OPERATIONS[operation] + "Request"


def xml_text(data, name):
    m = re.search(rb"<(?:\w+:)?%s>([^<]*)</" % name.encode(), data or b"")
    return m.group(1).decode("utf-8") if m else None


def validate(data, version):
    with tempfile.NamedTemporaryFile(suffix=".xml") as f:
        f.write(data)
        f.flush()
        run = subprocess.run(["xmllint", "--noout", "--schema",
                              os.path.join(SCHEMAS, version, "invoiceApi.xsd"), f.name],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return run.returncode == 0, run.stderr.decode("utf-8", "replace")


def decrypt(encoded, key):
    return na.aes_ecb("openssl", key.encode("utf-8")[:16], base64.b64decode(encoded), decrypt=True)


# ------------------------------------------------------------ the fixture

class AuthorityCase(unittest.TestCase):
    """One server for the class, in a directory whose name holds a blank, "&"
    and "'", reached only through the generated curl wrapper."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="authority-test-")
        cls.dir = os.path.join(cls.tmp, "a b&c'd")
        os.makedirs(cls.dir)
        cls.config = os.path.join(cls.dir, "config.json")
        cls.port_file = os.path.join(cls.dir, "port")
        cls.log = os.path.join(cls.dir, "log")
        cls.write_config({})
        cls.server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "nav_authority.py"), "--port-file", cls.port_file,
             "--config", cls.config, "--schemas", SCHEMAS, "--log-dir", cls.log,
             "--lifetime", "120", "--pid-file", os.path.join(cls.dir, "pid")])
        deadline = time.time() + 15
        while not os.path.exists(cls.port_file):
            if time.time() > deadline or cls.server.poll() is not None:
                raise RuntimeError("test authority did not start")
            time.sleep(0.05)
        cls.curldir = os.path.join(cls.dir, "curl dir")
        cls.calls = os.path.join(cls.dir, "curl calls.txt")
        mc.make_curldir(cls.curldir, port_file=cls.port_file, record=cls.calls)

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(10)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def write_config(cls, extra):
        cfg = dict(USER, **extra)
        with open(cls.config + ".tmp", "w", encoding="utf-8") as f:
            json.dump(cfg, f)
        os.replace(cls.config + ".tmp", cls.config)

    def setUp(self):
        self.write_config({})

    def post(self, operation, request, xsd="3.0", host=TEST_HOST, timeout=60):
        """Posts through the wrapper with the client's command line; returns
        (curl exit code, response bytes or None, the log record)."""
        work = tempfile.mkdtemp(dir=self.dir, prefix="run &'x ")
        req, resp = os.path.join(work, "req.xml"), os.path.join(work, "resp.xml")
        with open(req, "wb") as f:
            f.write(request)
        q = mc.sh_quote
        http10 = " --http1.0" if operation in na.MANAGE else ""
        cmd = ('%s -X POST -s -k%s -m%d -H "Accept: application/xml" -H "Content-Type: '
               'application/xml" -d @%s https://%s/invoiceService/%s%s -o %s'
               % (q(os.path.join(self.curldir, "curl")), http10, timeout, q(req), host,
                  segment(xsd), operation, q(resp)))
        before = self.records()
        rc = subprocess.run(["/bin/sh", "-c", cmd]).returncode
        data = None
        if os.path.exists(resp):
            with open(resp, "rb") as f:
                data = f.read()
        deadline = time.time() + 3    # a slow answer is logged once it is sent
        while len(self.records()) == len(before) and time.time() < deadline:
            time.sleep(0.05)
        new = self.records()[len(before):]
        return rc, data, (new[-1] if new else None)

    def records(self):
        path = os.path.join(self.log, "requests.jsonl")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [json.loads(l) for l in f]

    def token(self, xsd="3.0"):
        rc, data, rec = self.post("tokenExchange", build_request(xsd, "TokenExchangeRequest", []), xsd)
        self.assertEqual(xml_text(data, "funcCode"), "OK", data)
        return rec["token"]

    def assertAnswer(self, data, version, func_code, error_code=None):
        ok, why = validate(data, version)
        self.assertTrue(ok, why + data.decode("utf-8", "replace"))
        self.assertEqual(xml_text(data, "funcCode"), func_code, data)
        if error_code:
            self.assertEqual(xml_text(data, "errorCode"), error_code, data)
        prefixed = b"<ns2:funcCode>" in data
        self.assertEqual(prefixed, version == "3.0", data)


# ------------------------------------------------------------ the tests

class SampleSignatures(unittest.TestCase):
    def test_formula_reproduces_every_sample_signature(self):
        files = sorted(glob.glob(os.path.join(SCHEMAS, "samples-*", "*.xml")))
        self.assertGreater(len(files), 20)
        for path in files:
            with self.subTest(sample=os.path.relpath(path, SCHEMAS)):
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                key = re.search(r"<signKey>([^<]*)</signKey>", text).group(1)
                root = ET.fromstring(text.encode("utf-8"))
                operation = na.local(root.tag)[0].lower() + na.local(root.tag)[1:-7]
                got = na.request_signature(
                    na.first(root, "requestId"), na.first(root, "timestamp"),
                    na.first(root, "requestVersion"), key, na.manage_items(root, operation),
                    operation in na.MANAGE)
                self.assertEqual(got, na.first(root, "requestSignature"))

    def test_version_rule_picks_the_digest(self):
        for version, sha3 in (("3.0", True), ("2.0", True), ("2.5", True), ("3", True),
                              ("1.1", False), ("2", False), ("10.0", False), ("", False)):
            with self.subTest(version=version):
                text = ("QK1" + "20221114170316" + "key").encode()
                want = hashlib.sha3_512(text) if sha3 else hashlib.sha512(text)
                self.assertEqual(na.request_signature("QK1", "2022-11-14T17:03:16.000Z",
                                                      version, "key"),
                                 want.hexdigest().upper())


    def test_manage_below_2_0_signs_the_crc32_of_the_content(self):
        # 3421780262 is the CRC-32 check value of "123456789".
        want = hashlib.sha512(b"QK1" + b"20221114170316" + b"key" + b"3421780262")
        got = na.request_signature("QK1", "2022-11-14T17:03:16.000Z", "1.1", "key",
                                   [("CREATE", "123456789")], manage=True)
        self.assertEqual(got, want.hexdigest().upper())


class TokenExchange(AuthorityCase):
    def test_token_enciphered_under_exchange_key_for_each_version_and_length(self):
        for xsd, length in (("3.0", 48), ("3.0", 49), ("3.0", 50), ("2.0", 48), ("1.0", 50)):
            with self.subTest(xsd=xsd, length=length):
                self.write_config({"token_length": length})
                rc, data, rec = self.post("tokenExchange",
                                          build_request(xsd, "TokenExchangeRequest", []), xsd)
                self.assertEqual(rc, 0)
                self.assertAnswer(data, ns_version(xsd), "OK")
                self.assertEqual(rec["checks"], {"content_type": "ok", "xsd": "ok",
                                                 "operation": "ok", "user": "ok",
                                                 "password": "ok", "signature": "ok"})
                token = bytes.fromhex(rec["token_hex"])
                self.assertEqual(len(token), length)
                block = decrypt(xml_text(data, "encodedExchangeToken"), USER["techkulcs"])
                self.assertEqual(block, token + bytes([64 - length]) * (64 - length))
                self.assertEqual(rec["http_version"], "HTTP/1.1")
                self.assertLessEqual(abs(rec["timestamp_skew"]), 5)

    def test_recording_wrapper_passes_the_call_on(self):
        rc, data, rec = self.post("tokenExchange", build_request("2.0", "TokenExchangeRequest", []), "2.0")
        self.assertEqual(xml_text(data, "funcCode"), "OK")
        call = mc.read_calls(self.calls)[-1]
        work = os.path.dirname(call[-1])
        self.assertEqual(call, [os.path.join(self.curldir, "curl"), "-X", "POST", "-s", "-k", "-m60",
                                "-H", "Accept: application/xml", "-H", "Content-Type: application/xml",
                                "-d", "@" + os.path.join(work, "req.xml"),
                                "https://%s/invoiceService/v2/tokenExchange" % TEST_HOST,
                                "-o", os.path.join(work, "resp.xml")])

    def test_both_hosts_are_served_and_no_other(self):
        for host, accepted in ((PROD_HOST, True), (TEST_HOST, True), ("example.com", False)):
            with self.subTest(host=host):
                rc, data, rec = self.post("tokenExchange",
                                          build_request("3.0", "TokenExchangeRequest", []), host=host)
                self.assertEqual(rec["host"], host)
                self.assertEqual(rec["accepted"], accepted)
                self.assertEqual(rec["status"], 200 if accepted else 404)

    def test_fixed_token_and_answer_options(self):
        self.write_config({"token": "x" * 48 + " ",
                           "operations": {"tokenExchange": {"append_hex": "1a"}}})
        rc, data, rec = self.post("tokenExchange", build_request("3.0", "TokenExchangeRequest", []))
        self.assertTrue(data.endswith(b"</TokenExchangeResponse>\x1a"))
        block = decrypt(xml_text(data, "encodedExchangeToken"), USER["techkulcs"])
        self.assertEqual(block, b"x" * 48 + b" " + b"\x0f" * 15)

    def test_common_prefix_can_be_forced_or_dropped(self):
        for xsd, prefix, marker in (("2.0", "ns2", b"<ns2:funcCode>OK"),
                                    ("3.0", "", b"<funcCode>OK"),
                                    ("3.0", "ns5", b"<ns5:funcCode>OK")):
            with self.subTest(xsd=xsd, prefix=prefix):
                self.write_config({"operations": {"*": {"common_prefix": prefix}}})
                rc, data, rec = self.post("tokenExchange",
                                          build_request(xsd, "TokenExchangeRequest", []), xsd)
                self.assertIn(marker, data)
                self.assertTrue(validate(data, ns_version(xsd))[0], data)


class Manage(AuthorityCase):
    def test_invoice_submission_then_status_and_check(self):
        for xsd in ("3.0", "2.0", "1.0"):
            with self.subTest(xsd=xsd):
                version = ns_version(xsd)
                token = self.token(xsd)
                with open(SAMPLE_INVOICE, "rb") as f:
                    content = base64.b64encode(f.read()).decode("ascii")
                request = build_request(xsd, "ManageInvoiceRequest",
                                        invoice_body(xsd, token, "CREATE", content),
                                        items=[("CREATE", content)])
                rc, data, rec = self.post("manageInvoice", request, xsd)
                self.assertAnswer(data, version, "OK")
                self.assertEqual(rec["http_version"], "HTTP/1.0")
                tid = xml_text(data, "transactionId")
                self.assertEqual(tid, rec["transaction_id"])

                status_op = "queryTransactionStatus" if version != "1.1" else "queryInvoiceStatus"
                body = ["\t<transactionId>%s</transactionId>" % tid,
                        "\t<returnOriginalRequest>true</returnOriginalRequest>"]
                rc, data, rec = self.post(status_op, build_request(xsd, root_of(status_op), body), xsd)
                self.assertAnswer(data, version, "OK")
                self.assertEqual(xml_text(data, "invoiceStatus"), "DONE")

                rc, data, rec = self.post("manageInvoice", request, xsd)
                self.assertAnswer(data, version, "ERROR", "INVALID_EXCHANGE_TOKEN")

        with open(SAMPLE_INVOICE, "rb") as f:
            invoice = f.read()
        number = xml_text(invoice, "invoiceNumber")
        body = ["\t<invoiceNumberQuery>", "\t\t<invoiceNumber>%s</invoiceNumber>" % number,
                "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>", "\t</invoiceNumberQuery>"]
        rc, data, rec = self.post("queryInvoiceCheck", build_request("3.0", root_of("queryInvoiceCheck"), body))
        self.assertEqual(xml_text(data, "invoiceCheckResult"), "true")
        rc, data, rec = self.post("queryInvoiceData", build_request("3.0", root_of("queryInvoiceData"), body))
        self.assertAnswer(data, "3.0", "OK")
        self.assertEqual(base64.b64decode(xml_text(data, "invoiceData")), invoice)

    def test_invoice_above_ten_megabytes_is_accepted(self):
        token = self.token()
        content = base64.b64encode(os.urandom(10 * 1024 * 1024 + 1)).decode("ascii")
        rc, data, rec = self.post("manageInvoice", build_request(
            "3.0", "ManageInvoiceRequest", invoice_body("3.0", token, "CREATE", content),
            items=[("CREATE", content)]))
        self.assertEqual(xml_text(data, "funcCode"), "OK", rec["checks"])

    def test_annulment_document_namespace_and_signed_operation(self):
        cases = (  # xsd, annul namespace, OPERATION signed, annul_operation, error
            ("3.0", "3.0", "ANNUL", None, None),
            ("3.0", "2.0", "ANNUL", None, "SCHEMA_VIOLATION"),
            ("2.0", "2.0", "ANNUL", None, None),
            ("2.0", "3.0", "ANNUL", None, "SCHEMA_VIOLATION"),
            ("3.0", "3.0", "CREATE", None, "INVALID_REQUEST_SIGNATURE"),
            ("3.0", "3.0", "CREATE", "CREATE", None),
        )
        for xsd, annul_ns, signed, extra, error in cases:
            with self.subTest(xsd=xsd, annul_ns=annul_ns, signed=signed, extra=extra):
                self.write_config({"annul_operation": extra} if extra else {})
                token = self.token(xsd)
                content = annulment_content(annul_ns)
                rc, data, rec = self.post("manageAnnulment", build_request(
                    xsd, "ManageAnnulmentRequest", annulment_body(token, content),
                    items=[(signed, content)]), xsd)
                self.assertAnswer(data, xsd, "ERROR" if error else "OK", error)
                self.assertEqual(rec["status"], 400 if error else 200)
                self.assertEqual(rec["http_version"], "HTTP/1.0")


class Queries(AuthorityCase):
    def test_each_query_gets_a_valid_answer(self):
        plan = [(xsd, op) for xsd in ("3.0", "2.0") for op in
                ("queryTransactionStatus", "queryTaxpayer", "queryInvoiceData",
                 "queryInvoiceCheck", "queryInvoiceDigest", "queryInvoiceChainDigest")]
        plan += [("1.0", "queryInvoiceStatus"), ("1.0", "queryTaxpayer"), ("1.0", "queryInvoiceData")]
        for xsd, op in plan:
            with self.subTest(xsd=xsd, op=op):
                key = op + "_1" if xsd == "1.0" and op == "queryInvoiceData" else op
                rc, data, rec = self.post(op, build_request(xsd, root_of(op), QUERY_BODIES[key]), xsd)
                self.assertEqual(rc, 0)
                self.assertAnswer(data, ns_version(xsd), "OK")
                self.assertIn(op[0].upper() + op[1:] + "Response", data.decode())
                self.assertEqual(rec["path"], "/invoiceService/%s%s" % (segment(xsd), op))


class Refusals(AuthorityCase):
    def test_failed_checks_answer_as_the_authority_does(self):
        wrong_pw = dict(USER, password="other")
        wrong_key = dict(USER, xmlkulcs="another-signing-key")
        taxpayer = root_of("queryTaxpayer")
        cases = (  # name, operation, xsd, request, error code
            ("password", "queryTaxpayer", "3.0",
             build_request("3.0", taxpayer, QUERY_BODIES["queryTaxpayer"], user=wrong_pw),
             "INVALID_SECURITY_USER"),
            ("login", "tokenExchange", "2.0",
             build_request("2.0", "TokenExchangeRequest", [], user=dict(USER, login="someoneelse")),
             "INVALID_SECURITY_USER"),
            ("signing key", "queryTaxpayer", "2.0",
             build_request("2.0", taxpayer, QUERY_BODIES["queryTaxpayer"], user=wrong_key),
             "INVALID_REQUEST_SIGNATURE"),
            ("SHA-512 under 3.0", "tokenExchange", "3.0",
             build_request("3.0", "TokenExchangeRequest", [], signature=na.sha512_hex(b"x")),
             "INVALID_REQUEST_SIGNATURE"),
            ("xsd", "queryTaxpayer", "3.0", build_request("3.0", taxpayer, []), "SCHEMA_VIOLATION"),
            ("namespace", "tokenExchange", "3.0",
             build_request("2.0", "TokenExchangeRequest", []), "SCHEMA_VIOLATION"),
            ("operation", "queryTaxpayer", "3.0", build_request("3.0", "TokenExchangeRequest", []),
             "SCHEMA_VIOLATION"),
            ("unknown token", "manageInvoice", "3.0",
             build_request("3.0", "ManageInvoiceRequest", invoice_body("3.0", "T" * 48, "CREATE", "QUFB"),
                           items=[("CREATE", "QUFB")]), "INVALID_EXCHANGE_TOKEN"),
        )
        for name, op, xsd, request, code in cases:
            with self.subTest(check=name):
                rc, data, rec = self.post(op, request, xsd)
                self.assertAnswer(data, xsd, "ERROR", code)
                self.assertIn("GeneralErrorResponse", data.decode())
                self.assertEqual((rec["status"], rec["accepted"]), (400, False))

    def test_manage_with_a_token_never_issued_by_this_server(self):
        self.token()
        request = build_request("2.0", "ManageInvoiceRequest",
                                invoice_body("2.0", "b1aca173-d9e8-4561-9237-0511eed99eaa2P0ZHLXBRI2U",
                                             "CREATE", "QUFB"), items=[("CREATE", "QUFB")])
        rc, data, rec = self.post("manageInvoice", request, "2.0")
        self.assertEqual(xml_text(data, "errorCode"), "INVALID_EXCHANGE_TOKEN")
        self.assertEqual(rec["checks"]["signature"], "ok")


class Behaviours(AuthorityCase):
    def test_configured_behaviours(self):
        token_request = build_request("3.0", "TokenExchangeRequest", [])
        cases = (  # mode settings, curl -m, expected exit code, expected file
            ({"mode": "silent"}, 60, 52, None),
            ({"mode": "slow", "seconds": 2}, 1, 28, None),
            ({"mode": "http500", "body": "<h1>down</h1>"}, 60, 0, b"<h1>down</h1>"),
            ({"mode": "garbage", "body_hex": "00ff1a0d0a"}, 60, 0, b"\x00\xff\x1a\r\n"),
            ({"mode": "raw", "status": 200, "body": "<x>é</x>"}, 60, 0, "<x>é</x>".encode()),
        )
        for behaviour, limit, want_rc, want_body in cases:
            with self.subTest(mode=behaviour["mode"]):
                self.write_config({"operations": {"tokenExchange": behaviour}})
                rc, data, rec = self.post("tokenExchange", token_request, timeout=limit)
                self.assertEqual(rc, want_rc)
                self.assertEqual(data, want_body)
                self.assertTrue(rec["accepted"])     # the request itself was sound

    def test_configured_error_and_config_reread(self):
        self.write_config({"operations": {"queryTaxpayer": {"mode": "error", "error_code": "MAINTENANCE",
                                                            "message": "Karbantartás"}}})
        request = build_request("2.0", root_of("queryTaxpayer"), QUERY_BODIES["queryTaxpayer"])
        rc, data, rec = self.post("queryTaxpayer", request, "2.0")
        self.assertAnswer(data, "2.0", "ERROR", "MAINTENANCE")
        self.assertEqual(xml_text(data, "message"), "Karbantartás")
        self.write_config({})
        rc, data, rec = self.post("queryTaxpayer", request, "2.0")
        self.assertAnswer(data, "2.0", "OK")


class Cli(AuthorityCase):
    def test_pid_file_names_the_server(self):
        with open(os.path.join(self.dir, "pid")) as f:
            self.assertEqual(int(f.read()), self.server.pid)

    def test_offline_check_of_a_request_file(self):
        for user, rc, line in ((USER, 0, "check signature: ok"),
                               (dict(USER, xmlkulcs="x"), 1, "refused: INVALID_REQUEST_SIGNATURE")):
            with self.subTest(key=user["xmlkulcs"]):
                path = os.path.join(self.dir, "offline.xml")
                with open(path, "wb") as f:
                    f.write(build_request("2.0", root_of("queryTaxpayer"),
                                          QUERY_BODIES["queryTaxpayer"], user=user))
                run = subprocess.run([sys.executable, os.path.join(HERE, "nav_authority.py"),
                                      "--schemas", SCHEMAS, "check", "--config", self.config,
                                      "--operation", "queryTaxpayer", "--version", "2.0", path],
                                     stdout=subprocess.PIPE, universal_newlines=True)
                self.assertEqual(run.returncode, rc)
                self.assertIn(line, run.stdout.splitlines())


class CurlDir(unittest.TestCase):
    def test_recording_wrapper_keeps_each_argument_whole(self):
        with tempfile.TemporaryDirectory() as tmp:
            odd = os.path.join(tmp, "x y&z'w")
            record = os.path.join(odd, "calls.txt")
            wrapper = mc.make_curldir(odd, record=record, call_real=False, exit_code=3)
            q = mc.sh_quote
            args = ["-X", "POST", "-s", "-k", "--http1.0", "-m60", "-H", "Accept: application/xml",
                    "-d", "@" + os.path.join(odd, "r q.xml"), "https://%s/invoiceService/v3/x" % TEST_HOST,
                    "-o", os.path.join(odd, "a&b.xml")]
            cmd = " ".join(q(a) for a in [wrapper] + args)
            for _ in range(2):
                self.assertEqual(subprocess.run(["/bin/sh", "-c", cmd]).returncode, 3)
            self.assertEqual(mc.read_calls(record), [[wrapper] + args] * 2)
            self.assertFalse(os.path.exists(os.path.join(odd, "a&b.xml")))

    def test_wrapper_names_the_real_curl_it_was_made_with(self):
        with tempfile.TemporaryDirectory() as tmp:
            fake = os.path.join(tmp, "real 'curl'")
            with open(fake, "w") as f:
                f.write('#!/bin/sh\nprintf "%s|" "$@"\n')
            os.chmod(fake, 0o755)
            wrapper = mc.make_curldir(os.path.join(tmp, "d"), port=4321, real_curl=fake)
            out = subprocess.run([wrapper, "a b", "'"], stdout=subprocess.PIPE).stdout
            self.assertEqual(out, b"-q|--noproxy|*|--connect-to|::127.0.0.1:4321|a b|'|")


def missing_prerequisites():
    """What the self-test needs and does not find, one text each."""
    missing = ["%s is not installed" % tool for tool in ("openssl", "xmllint", "curl")
               if not shutil.which(tool)]
    for path in (os.path.join(SCHEMAS, "3.0", "invoiceApi.xsd"), SAMPLE_INVOICE):
        if not os.path.isfile(path):
            missing.append("the authority's schemas and samples are missing: no %s" % path)
    return missing


if __name__ == "__main__":
    missing = missing_prerequisites()
    if missing:
        sys.exit("authority self-test cannot run: " + "; ".join(missing))
    unittest.main(verbosity=1)
