#!/usr/bin/env python3
"""Loopback test authority: an HTTPS server on 127.0.0.1 that speaks the
Online Invoice interface (schema versions 3.0, 2.0 and 1.x) well enough for
the client's end-to-end tests.

Usage from a test (C++ or Python):

    python3 nav_authority.py --port-file DIR/port --config DIR/config.json \
        --schemas NAV_SCHEMAS_DIR --log-dir DIR/log [--lifetime 600] \
        [--pid-file DIR/pid] [--port N] [--xmllint PATH] [--openssl PATH]

  1. Write the config file first (JSON, see CONFIG below); it is read again on
     every request, so a test may rewrite it between two runs of the client.
  2. Start the server in the background and poll until DIR/port exists (it
     is renamed into place complete: one line with the port number).
  3. Make a CURLDIR with make_curldir.py (a `curl` wrapper that adds
     --connect-to ::127.0.0.1:PORT) and point the client's CURLDIR at it.
  4. Run the client; then look at DIR/log (below). Kill the server (SIGTERM
     to the id in --pid-file, or to the child you started) when done; it also
     stops by itself after --lifetime seconds (0: never).

  --port N listens on 127.0.0.1:N instead of a free port of the system's
  choice (the port file is written all the same). scripts/test-authority
  starts the server this way for a caller's own tests.

Note that curl's -d drops every CR and LF of the request file: the request
logged (and checked) is the file without its line ends.

Routes: POST /invoiceService/{,v2/,v3/}<operation> for tokenExchange,
manageInvoice, manageAnnulment, queryTransactionStatus, queryInvoiceStatus,
queryTaxpayer, queryInvoiceData, queryInvoiceCheck, queryInvoiceDigest and
queryInvoiceChainDigest, under the Host api.onlineszamla.nav.gov.hu or
api-test.onlineszamla.nav.gov.hu. The endpoint picks the schema version
(v3/ -> 3.0, v2/ -> 2.0, none -> 1.1); the request's namespace must match it.

Checks, in this order (the first failure answers a GeneralErrorResponse with
funcCode ERROR and HTTP "refusal_status"): Content-Type application/xml;
well-formed, namespace of the endpoint, valid against <schemas>/<version>/
invoiceApi.xsd, root element of the operation (SCHEMA_VIOLATION); login and
taxNumber, then passwordHash = upper-case SHA-512 hex of the password, with
cryptoType SHA-512 under 3.0 (INVALID_SECURITY_USER); requestSignature
(INVALID_REQUEST_SIGNATURE); for the manage operations an exchange token this
server issued, unused, not expired (INVALID_EXCHANGE_TOKEN) and the annulment
document against <version>/invoiceAnnulment.xsd (SCHEMA_VIOLATION).
Answers when all pass: the operation's Response with funcCode OK; under 3.0
the header/result elements carry the prefix ns2 (common namespace), the rest
the default api namespace. tokenExchange: encodedExchangeToken = Base64 of
AES-128-ECB (key: first 16 bytes of techkulcs) of the token padded to 64
bytes with bytes of value 64 - length; manage operations: a transactionId;
transaction status: DONE per operation of a transaction it took; invoice
check/data: true / the invoice for a number it was sent; digest queries: an
empty page; taxpayer: valid. The software block holds accented letters (UTF-8).

CONFIG (all keys optional; texts are taken as their UTF-8 bytes; the values
shown for the technical user are the defaults, which tests rely on):
    {
      "login": "kvtestlogin01", "password": "Jelszo123",
      "xmlkulcs": "ab-cd12-3456789abcde1XY2ZW3VU4TS",   # signing key
      "password_hex": "...", "xmlkulcs_hex": "...",   # or their exact bytes
                                   # in hex (e.g. code page 852 letters)
      "techkulcs": "2K4N7Q9S3V6X8Z1B",  # exchange key (its first 16 bytes)
      "tax_number": "11111111",
      "token_length": 48,          # 48, 49 or 50 (1..64 accepted)
      "token": "...",              # a fixed token text instead of a random one
      "token_hex": "...",          # or its exact bytes in hex
      "encoded_token": "...",      # verbatim encodedExchangeToken (no cipher)
      "annul_operation": "ANNUL",  # extra OPERATION value(s) (text or list)
                                   # accepted in the annulment's signature
      "token_single_use": true, "token_validity_seconds": 300,
      "check_annulment_xsd": true, # the annulment document against its XSD
      "check_invoice_xsd": false,  # the invoice against invoiceData.xsd
      "accept_undeclared_root": false,  # a root that the version's schema
                                   # does not declare passes the schema check
                                   # (logged as such); the other checks run
      "refusal_status": 400,       # HTTP status of a failed check
      "operations": {              # per operation name, or "*" for all
        "tokenExchange": {"mode": "ok"},
        "manageInvoice": {"mode": "error", "error_code": "X", "message": "...",
                          "status": 400},
        "queryTaxpayer": {"mode": "silent"}      # close, answer nothing
        "...":  {"mode": "slow", "seconds": 5}   # answer after a delay
        "...":  {"mode": "http500", "status": 500, "body": "..."}
        "...":  {"mode": "garbage", "body_hex": "00ff1a"}
        "...":  {"mode": "raw", "status": 200, "body": "...", "body_hex": ""}
      }
    }
  Options of any answering mode: "delay" (seconds before answering),
  "append_hex" (bytes added after the answer, e.g. "1a"), "message" (a
  result message also on an OK answer), "common_prefix" (the prefix of the
  header/result elements: "ns2" by default for 3.0, "" for the others).

LOG (--log-dir): for request number N (4 digits) and operation OP
    N-OP-request.xml   the body as it arrived
    N-OP-response.bin  the body answered (absent for "silent")
    N-OP.txt           "key: value" lines: path, http_version, host,
                       header (one line each), version, root, mode,
                       check <name> (ok or the reason), accepted (yes/no),
                       timestamp_skew (request timestamp - now, seconds),
                       status, func_code, error_code, token (and token_hex),
                       transaction_id, exchange_token (of a manage request),
                       request_file, response_file; "fault" if the test
                       authority itself failed
    requests.jsonl     the same as one JSON object per line

Other uses: `nav_authority.py check --config C --schemas S --operation OP
--version 3.0 FILE` runs the checks on a request file offline and prints the
same check lines (exit 0 when every check passes).
"""

import argparse
import base64
import calendar
import binascii
import hashlib
import http.server
import json
import os
import random
import re
import shutil
import signal
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

HOSTS = ("api.onlineszamla.nav.gov.hu", "api-test.onlineszamla.nav.gov.hu")
DOMAIN = "http://schemas.nav.gov.hu"
COMMON_NS = DOMAIN + "/NTCA/1.0/common"
API_NS = {"3.0": DOMAIN + "/OSA/3.0/api", "2.0": DOMAIN + "/OSA/2.0/api",
          "1.1": DOMAIN + "/OSA/1.0/api"}
ANNUL_NS = {"3.0": DOMAIN + "/OSA/3.0/annul", "2.0": DOMAIN + "/OSA/2.0/annul"}
PATH_VERSION = {"v3/": "3.0", "v2/": "2.0", "": "1.1"}

OPERATIONS = {
    "tokenExchange": "TokenExchange",
    "manageInvoice": "ManageInvoice",
    "manageAnnulment": "ManageAnnulment",
    "queryTransactionStatus": "QueryTransactionStatus",
    "queryInvoiceStatus": "QueryInvoiceStatus",
    "queryTaxpayer": "QueryTaxpayer",
    "queryInvoiceData": "QueryInvoiceData",
    "queryInvoiceCheck": "QueryInvoiceCheck",
    "queryInvoiceDigest": "QueryInvoiceDigest",
    "queryInvoiceChainDigest": "QueryInvoiceChainDigest",
}
MANAGE = ("manageInvoice", "manageAnnulment")
MODES = ("ok", "error", "silent", "slow", "http500", "garbage", "raw")

DEFAULT_CONFIG = {
    "login": "kvtestlogin01",
    "password": "Jelszo123",
    "xmlkulcs": "ab-cd12-3456789abcde1XY2ZW3VU4TS",
    "techkulcs": "2K4N7Q9S3V6X8Z1B",
    "tax_number": "11111111",
    "token_length": 48,
    "token_single_use": True,
    "token_validity_seconds": 300,
    "check_annulment_xsd": True,
    "check_invoice_xsd": False,
    "refusal_status": 400,
    "operations": {},
}


# ---------------------------------------------------------------- digests

def sha512_hex(data):
    return hashlib.sha512(data).hexdigest().upper()


def sha3_hex(data):
    return hashlib.sha3_512(data).hexdigest().upper()


def at_least(version, literal):
    """The client's ordering rule: compare over the literal's length only; a
    version that is a proper beginning of the literal is below it."""
    return version.encode("utf-8")[:len(literal)] >= literal.encode("ascii")


def timestamp_digits(timestamp):
    return re.sub(r"\D", "", timestamp)[:14]


def request_signature(request_id, timestamp, request_version, key,
                      items=(), manage=False):
    """The signature the authority expects. `key` is a text (taken as its
    UTF-8 bytes) or the bytes themselves; `items` are (operation, Base64
    content) pairs of a manage request, in their order."""
    if isinstance(key, str):
        key = key.encode("utf-8")
    text = (request_id + timestamp_digits(timestamp)).encode("utf-8") + key
    if not at_least(request_version, "2.0"):
        if manage:
            text += "".join(str(binascii.crc32(c.encode("utf-8")))
                            for _, c in items).encode("ascii")
        return sha512_hex(text)
    if manage:
        text += "".join(sha3_hex((o + c).encode("utf-8"))
                        for o, c in items).encode("ascii")
    return sha3_hex(text)


# ---------------------------------------------------------------- tokens

def token_block(token, length_pad=64):
    """The token padded PKCS#7-style to 64 bytes (48 -> sixteen 0x10)."""
    pad = length_pad - len(token)
    if pad < 0:
        raise ValueError("token longer than 64 bytes")
    return token + bytes([pad]) * pad


def aes_ecb(openssl, key, data, decrypt=False):
    key = (key + b"\0" * 16)[:16]
    cmd = [openssl, "enc", "-aes-128-ecb", "-nopad", "-K", key.hex()]
    if decrypt:
        cmd.insert(2, "-d")
    return subprocess.run(cmd, input=data, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=True).stdout


def random_token(length):
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    uuid = "%08x-%04x-%04x-%04x-%012x" % tuple(
        random.getrandbits(b) for b in (32, 16, 16, 16, 48))
    tail = "".join(random.choice(alphabet) for _ in range(max(0, length - 36)))
    return (uuid + tail)[:length].encode("ascii")


def new_id(length=16):
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    return "".join(random.choice(alphabet) for _ in range(length))


# ---------------------------------------------------------------- XML out

class El:
    """One element of an answer; `common` marks the header/result family."""

    def __init__(self, name, *content, common=False, attrs=None):
        self.name, self.content, self.common = name, content, common
        self.attrs = attrs or {}

    def render(self, prefix, common_default_ns):
        if self.common and prefix:
            tag = prefix + ":" + self.name
        else:
            tag = self.name
        attrs = "".join(' %s="%s"' % (k, escape(v, {'"': "&quot;"}))
                        for k, v in self.attrs.items())
        if self.common and not prefix and common_default_ns:
            attrs += ' xmlns="%s"' % common_default_ns
            common_default_ns = None    # children inherit it
        inner = "".join(
            c.render(prefix, common_default_ns) if isinstance(c, El)
            else escape(str(c)) for c in self.content)
        return "<%s%s>%s</%s>" % (tag, attrs, inner, tag)


def common(name, *content):
    return El(name, *content, common=True)


def render_answer(version, root, children, prefix):
    """The whole answer. From 3.0 the header/result elements live in the
    common namespace (prefix ns2 as the authority writes them); below it
    everything is in the one api namespace."""
    api = API_NS[version]
    decl = ' xmlns="%s"' % api
    if version == "3.0":
        if prefix:
            decl += ' xmlns:%s="%s"' % (prefix, COMMON_NS)
        base = DOMAIN + "/OSA/3.0/"
        for p, path in (("ns3", "base"), ("ns4", "data")):
            if p != prefix:
                decl += ' xmlns:%s="%s%s"' % (p, base, path)
        default_common = COMMON_NS
    else:
        if prefix:
            decl += ' xmlns:%s="%s"' % (prefix, api)
        default_common = None
    body = "".join(c.render(prefix, default_common) for c in children)
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            "<%s%s>%s</%s>" % (root, decl, body, root)).encode("utf-8")


def now_stamp(offset=0):
    t = time.time() + offset
    return time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(t)) + \
        ".%03dZ" % int((t % 1) * 1000)


SOFTWARE = (
    ("softwareId", "HU11111111-LOOPBCK"),
    ("softwareName", "NAV teszt hatóság"),
    ("softwareOperation", "ONLINE_SERVICE"),
    ("softwareMainVersion", "3.0"),
    ("softwareDevName", "Nemzeti Adó- és Vámhivatal"),
    ("softwareDevContact", "teszt@example.invalid"),
)


def envelope(version, request, func_code, error_code=None, message=None):
    rid = request.get("requestId", "")
    if not re.fullmatch(r"[+a-zA-Z0-9_]{1,30}", rid):
        rid = "RID" + new_id(12)
    rv = request.get("requestVersion", "")
    if version == "1.1":
        rv = rv if rv in ("1.0", "1.1") else "1.1"
    elif version == "2.0":
        rv = "2.0"
    elif not (0 < len(rv) <= 15 and rv.strip()):
        rv = "3.0"
    result = [common("funcCode", func_code)]
    if error_code:
        result.append(common("errorCode", error_code))
    if message:
        result.append(common("message", message[:1024]))
    return [
        common("header", common("requestId", rid),
               common("timestamp", now_stamp()),
               common("requestVersion", rv), common("headerVersion", "1.0")),
        common("result", *result),
        El("software", *(El(n, v) for n, v in SOFTWARE)),
    ]


# ---------------------------------------------------------------- XML in

def local(tag):
    return tag.rsplit("}", 1)[-1]


def texts(root, name):
    return [(e.text or "") for e in root.iter() if local(e.tag) == name]


def first(root, name):
    found = texts(root, name)
    return found[0] if found else ""


def find_all(root, name):
    return [e for e in root.iter() if local(e.tag) == name]


def child_text(elem, name):
    for c in elem:
        if local(c.tag) == name:
            return c.text or ""
    return ""


def xmllint(xmllint_exe, xsd, data):
    """Validates bytes against an XSD; returns "ok" or the first errors."""
    with tempfile.NamedTemporaryFile(suffix=".xml") as f:
        f.write(data)
        f.flush()
        run = subprocess.run([xmllint_exe, "--noout", "--huge", "--schema", xsd, f.name],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode == 0:
        return "ok"
    lines = [l.replace(f.name, "request").strip() for l in
             run.stderr.decode("utf-8", "replace").splitlines()
             if l.strip() and not l.endswith("fails to validate")]
    return " | ".join(lines[:3]) or "fails to validate"


# ---------------------------------------------------------------- checks

class Refusal(Exception):
    def __init__(self, code, message, validation=None):
        super().__init__(message)
        self.code, self.message, self.validation = code, message, validation


class State:
    """What the authority remembers between requests."""

    def __init__(self):
        self.lock = threading.Lock()
        self.seq = 0
        self.tokens = {}          # token bytes -> {"issued": t, "used": bool}
        self.transactions = {}    # transaction id -> details
        self.invoices = {}        # invoice number -> the submission's details


def timestamp_skew(stamp):
    """Seconds from now to the request's UTC timestamp (None if unreadable);
    a local time written as UTC shows up as the zone's offset."""
    m = re.fullmatch(r"(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)(\.\d+)?Z", stamp)
    if not m:
        return None
    t = calendar.timegm(tuple(int(g) for g in m.groups()[:6]) + (0, 0, 0))
    return round(t - time.time())


def config_text(cfg, key):
    return str(cfg.get(key, DEFAULT_CONFIG.get(key, "")))


def config_secret(cfg, key):
    """A password or key as bytes: "<key>_hex" gives them exactly, otherwise
    the text's UTF-8 bytes."""
    if cfg.get(key + "_hex") is not None:
        return bytes.fromhex(cfg[key + "_hex"])
    return config_text(cfg, key).encode("utf-8")


def check_request(ctx, cfg, operation, version, body, checks, state,
                  consume=True, info=None):
    """Runs the authority's checks in its order; fills `checks` with one
    entry per check and raises Refusal at the first failure. Returns the
    parsed request values."""
    schemas, xmllint_exe = ctx["schemas"], ctx["xmllint"]
    info = {} if info is None else info
    try:
        root = ET.fromstring(body)
    except ET.ParseError as e:
        checks["xsd"] = "not well-formed: %s" % e
        raise Refusal("SCHEMA_VIOLATION", "Request is not well-formed XML: %s" % e)
    info["body"] = root
    info["requestId"] = first(root, "requestId")
    info["requestVersion"] = first(root, "requestVersion")
    info["timestamp_skew"] = timestamp_skew(first(root, "timestamp"))
    ns = root.tag[1:].split("}")[0] if root.tag.startswith("{") else ""
    info["root"] = local(root.tag)
    if ns != API_NS[version]:
        checks["xsd"] = "namespace %r does not belong to the %s endpoint" % (ns, version)
        raise Refusal("SCHEMA_VIOLATION", checks["xsd"])
    result = xmllint(xmllint_exe, os.path.join(schemas, version, "invoiceApi.xsd"), body)
    checks["xsd"] = result
    if result != "ok" and cfg.get("accept_undeclared_root") and " | " not in result \
            and "No matching global declaration available for the validation root" in result:
        # A root that the version's schema does not declare; the other
        # checks still run.
        checks["xsd"] = "root %s is not declared by the %s schema" % (info["root"], version)
    elif result != "ok":
        raise Refusal("SCHEMA_VIOLATION", "Request schema violation", result)
    expected_root = OPERATIONS[operation] + "Request"
    if info["root"] != expected_root:
        checks["operation"] = "root %s posted to %s" % (info["root"], operation)
        raise Refusal("SCHEMA_VIOLATION", checks["operation"])
    checks["operation"] = "ok"

    user = find_all(root, "user")[0]
    login, tax = child_text(user, "login"), child_text(user, "taxNumber")
    if login != config_text(cfg, "login") or tax != config_text(cfg, "tax_number"):
        checks["user"] = "unknown login/taxNumber %r/%r" % (login, tax)
        raise Refusal("INVALID_SECURITY_USER", "Helytelen authentikációs adatok!")
    checks["user"] = "ok"
    pw = [e for e in user if local(e.tag) == "passwordHash"][0]
    want = sha512_hex(config_secret(cfg, "password"))
    if (pw.text or "") != want or (version == "3.0" and pw.get("cryptoType") != "SHA-512"):
        checks["password"] = "passwordHash %r (cryptoType %r) is not the SHA-512 of the password" % (
            pw.text, pw.get("cryptoType"))
        raise Refusal("INVALID_SECURITY_USER", "Helytelen authentikációs adatok!")
    checks["password"] = "ok"

    sig = [e for e in user if local(e.tag) == "requestSignature"][0]
    items = manage_items(root, operation)
    info["items"] = items
    candidates = [items]
    if operation == "manageAnnulment":
        extra = cfg.get("annul_operation", [])
        extra = [extra] if isinstance(extra, str) else list(extra)
        candidates = [[(op, c) for _, c in items] for op in ["ANNUL"] + extra] + [items]
    key = config_secret(cfg, "xmlkulcs")
    wanted = [request_signature(info["requestId"], first(root, "timestamp"),
                                info["requestVersion"], key, cand,
                                operation in MANAGE) for cand in candidates]
    crypto_ok = version != "3.0" or sig.get("cryptoType") == (
        "SHA3-512" if at_least(info["requestVersion"], "2.0") else "SHA-512")
    if (sig.text or "") not in wanted or not crypto_ok:
        checks["signature"] = "requestSignature %r (cryptoType %r), expected %s" % (
            sig.text, sig.get("cryptoType"), wanted[0])
        raise Refusal("INVALID_REQUEST_SIGNATURE", "Helytelen kérés aláírás!")
    checks["signature"] = "ok"

    if operation in MANAGE:
        check_token(cfg, first(root, "exchangeToken"), checks, state, consume)
        check_content(ctx, cfg, operation, version, items, checks)
    return info


def manage_items(root, operation):
    if operation == "manageInvoice":
        ops = find_all(root, "invoiceOperation")
        out = []
        for op in ops:
            if len(op):   # the container, not the leaf holding the operation
                name = child_text(op, "invoiceOperation") or child_text(op, "operation")
                content = child_text(op, "invoiceData") or child_text(op, "invoice")
                out.append((name, content.strip()))
        return out
    if operation == "manageAnnulment":
        return [(child_text(op, "annulmentOperation"), child_text(op, "invoiceAnnulment").strip())
                for op in find_all(root, "annulmentOperation") if len(op)]
    return []


def check_token(cfg, token_text, checks, state, consume):
    token = token_text.encode("utf-8")
    validity = float(cfg.get("token_validity_seconds", 300))
    with state.lock:
        entry = state.tokens.get(token)
        if entry is None:
            reason = "exchange token %r was never issued" % token_text
        elif entry["used"] and cfg.get("token_single_use", True):
            reason = "exchange token %r was used already" % token_text
        elif time.time() - entry["issued"] > validity:
            reason = "exchange token %r has expired" % token_text
        else:
            reason = "ok"
            if consume:
                entry["used"] = True
    checks["token"] = reason
    if reason != "ok":
        raise Refusal("INVALID_EXCHANGE_TOKEN", "Érvénytelen adatszolgáltatási token!")


def check_content(ctx, cfg, operation, version, items, checks):
    if operation == "manageAnnulment" and cfg.get("check_annulment_xsd", True):
        xsd = os.path.join(ctx["schemas"], version, "invoiceAnnulment.xsd")
        name = "annulment_xsd"
    elif operation == "manageInvoice" and cfg.get("check_invoice_xsd", False):
        xsd = os.path.join(ctx["schemas"], version, "invoiceData.xsd")
        name = "invoice_xsd"
    else:
        return
    for index, (_, content) in enumerate(items, 1):
        try:
            data = base64.b64decode(content, validate=True)
        except binascii.Error:
            checks[name] = "operation %d: content is not Base64" % index
            raise Refusal("SCHEMA_VIOLATION", checks[name])
        result = xmllint(ctx["xmllint"], xsd, data)
        if result != "ok":
            checks[name] = "operation %d: %s" % (index, result)
            raise Refusal("SCHEMA_VIOLATION", "Content schema violation", checks[name])
    checks[name] = "ok"


# ---------------------------------------------------------------- answers

def ok_answer(ctx, cfg, behaviour, operation, version, info, state, record):
    root = info["body"]
    children = envelope(version, info, "OK", message=behaviour.get("message"))
    if operation == "tokenExchange":
        token = issue_token(cfg, state)
        record["token"] = token.decode("utf-8", "replace")
        record["token_hex"] = token.hex()
        encoded = cfg.get("encoded_token")
        if encoded is None:
            cipher = aes_ecb(ctx["openssl"], cfg_key(cfg), token_block(token))
            encoded = base64.b64encode(cipher).decode("ascii")
        children += [El("encodedExchangeToken", encoded),
                     El("tokenValidityFrom", now_stamp()),
                     El("tokenValidityTo", now_stamp(float(cfg.get("token_validity_seconds", 300))))]
    elif operation in MANAGE:
        tid = new_id()
        numbers = []
        for _, content in info["items"]:
            try:
                numbers.append(first(ET.fromstring(base64.b64decode(content)), "invoiceNumber"))
            except (ET.ParseError, binascii.Error, ValueError):
                numbers.append("")
        with state.lock:
            state.transactions[tid] = {"operation": operation, "version": version,
                                       "items": info["items"], "numbers": numbers}
            if operation == "manageInvoice":
                for index, (number, (_, content)) in enumerate(zip(numbers, info["items"]), 1):
                    if number:
                        state.invoices[number] = {"content": content, "transaction": tid,
                                                  "index": index, "version": version}
        record["transaction_id"] = tid
        children.append(El("transactionId", tid))
    elif operation in ("queryTransactionStatus", "queryInvoiceStatus"):
        children += status_answer(version, root, state)
    elif operation == "queryTaxpayer":
        if version != "1.1":
            children.append(El("infoDate", now_stamp()))
        children.append(El("taxpayerValidity", "true"))
    elif operation == "queryInvoiceData" and version != "1.1":
        with state.lock:
            known = state.invoices.get(first(root, "invoiceNumber"))
        if known and first(root, "invoiceDirection") == "OUTBOUND":
            audit = El("auditData", El("insdate", now_stamp()),
                       El("insCusUser", config_text(cfg, "login")), El("source", "XML"),
                       El("transactionId", known["transaction"]),
                       El("index", str(known["index"])),
                       El("originalRequestVersion", "2.0" if version == "2.0" and
                          known["version"] == "3.0" else known["version"]))
            children.append(El("invoiceDataResult", El("invoiceData", known["content"]), audit,
                               El("compressedContentIndicator", "false")))
    elif operation == "queryInvoiceCheck":
        with state.lock:
            known = first(root, "invoiceNumber") in state.invoices
        children.append(El("invoiceCheckResult", "true" if known else "false"))
    elif operation == "queryInvoiceDigest":
        children.append(El("invoiceDigestResult", El("currentPage", first(root, "page") or "1"),
                           El("availablePage", "1")))
    elif operation == "queryInvoiceChainDigest":
        children.append(El("invoiceChainDigestResult", El("currentPage", first(root, "page") or "1"),
                           El("availablePage", "1")))
    return children


def status_answer(version, root, state):
    tid = first(root, "transactionId")
    with state.lock:
        tr = state.transactions.get(tid)
    if tr is None:
        return []
    original = first(root, "returnOriginalRequest") in ("true", "1")
    results = []
    for index, (_, content) in enumerate(tr["items"], 1):
        parts = [El("index", str(index)), El("invoiceStatus", "DONE"),
                 El("compressedContentIndicator", "false")]
        if original and version != "1.1":
            parts.append(El("originalRequest", content))
        results.append(El("processingResult", *parts))
    original_version = tr["version"] if version != "1.1" else "1.1"
    return [El("processingResults", *results, El("originalRequestVersion", original_version))]


def cfg_key(cfg):
    return config_text(cfg, "techkulcs").encode("utf-8")[:16]


def issue_token(cfg, state):
    if cfg.get("token_hex") is not None:
        token = bytes.fromhex(cfg["token_hex"])
    elif cfg.get("token") is not None:
        token = str(cfg["token"]).encode("utf-8")
    else:
        token = random_token(int(cfg.get("token_length", 48)))
    with state.lock:
        state.tokens[token] = {"issued": time.time(), "used": False}
    return token


def error_answer(version, info, code, message, validation=None):
    children = envelope(version, info, "ERROR", code, message)
    if validation:
        children.append(El("technicalValidationMessages",
                           common("validationResultCode", "ERROR"),
                           common("validationErrorCode", code),
                           common("message", validation[:1024])))
    return children


# ---------------------------------------------------------------- server

class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "NAV-loopback"
    protocol_version = "HTTP/1.0"

    def handle(self):
        try:
            self.request.do_handshake()
        except (ssl.SSLError, OSError):
            return
        super().handle()

    def log_message(self, fmt, *args):   # quiet: the request log says it all
        pass

    def do_GET(self):
        self.send_plain(405, "POST only\n")

    def send_plain(self, status, text, record=None):
        data = text.encode("utf-8")
        self.send_bytes(status, data, "text/plain; charset=UTF-8", record)

    def send_bytes(self, status, data, ctype="application/xml;charset=UTF-8", record=None):
        if record is not None:
            record["status"] = status
            record["response_file"] = self.server.log.save(record, "response.bin", data)
        try:
            self.send_response(status)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data)
        except OSError:
            pass    # the client gave up (time-out); nothing to do
        self.close_connection = True

    def do_POST(self):
        srv = self.server
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        m = re.fullmatch(r"/invoiceService/(v3/|v2/|)(\w+)", self.path)
        host = re.sub(r":\d+$", "", self.headers.get("Host") or "")
        operation = m.group(2) if m else "unknown"
        record = srv.log.begin(operation)
        record.update({"path": self.path, "http_version": self.request_version,
                       "method": "POST", "host": host,
                       "headers": [[k, v] for k, v in self.headers.items()]})
        record["request_file"] = srv.log.save(record, "request.xml", body)
        try:
            self.answer(m, host, operation, body, record)
        except Exception as e:    # a fault of the test authority itself
            record["fault"] = "%s: %s" % (type(e).__name__, e)
            self.send_plain(500, "test authority fault: %s\n" % record["fault"], record)
        finally:
            srv.log.finish(record)

    def answer(self, m, host, operation, body, record):
        srv = self.server
        if host not in HOSTS:
            record["accepted"] = False
            return self.send_plain(404, "unknown host %s\n" % host, record)
        if not m or operation not in OPERATIONS:
            record["accepted"] = False
            return self.send_plain(404, "no such operation\n", record)
        version = PATH_VERSION[m.group(1)]
        record["version"] = version
        try:
            with open(srv.config_path, encoding="utf-8") as f:
                cfg = json.load(f)
        except (OSError, ValueError) as e:
            record["accepted"] = False
            return self.send_plain(500, "test authority config unreadable: %s\n" % e, record)
        ops = cfg.get("operations", {})
        behaviour = dict(ops.get("*", {}))
        behaviour.update(ops.get(operation, {}))
        mode = behaviour.get("mode", "ok")
        record["mode"] = mode
        if mode not in MODES:
            record["accepted"] = False
            return self.send_plain(500, "test authority config: unknown mode %r\n" % mode, record)

        ctype = self.headers.get("Content-Type", "")
        checks = {"content_type": "ok" if ctype.split(";")[0].strip() == "application/xml"
                  else "Content-Type %r" % ctype}
        record["checks"] = checks
        info = {}
        refusal = None
        if checks["content_type"] != "ok":
            refusal = Refusal("INVALID_REQUEST", "Content-Type must be application/xml")
        else:
            try:
                check_request(srv.ctx, cfg, operation, version, body, checks,
                              srv.state, consume=mode in ("ok", "slow"), info=info)
            except Refusal as r:
                refusal = r
        record["root"] = info.get("root", "")
        record["timestamp_skew"] = info.get("timestamp_skew")
        record["accepted"] = refusal is None
        if "body" in info and operation in MANAGE:
            record["exchange_token"] = first(info["body"], "exchangeToken")

        delay = float(behaviour.get("seconds", 5) if mode == "slow" else behaviour.get("delay", 0))
        if delay > 0:
            srv.stopping.wait(delay)
        if mode == "silent":
            record["status"] = None
            self.close_connection = True
            return
        if mode == "garbage":
            data = bytes.fromhex(behaviour["body_hex"]) if "body_hex" in behaviour \
                else b"\x00\xff<?xm\x1a garbage \xc3(\x81\r\n" * 3
            return self.send_bytes(int(behaviour.get("status", 200)), data,
                                   "application/octet-stream", record)
        if mode in ("http500", "raw"):
            default = "<html><body>500 Internal Server Error</body></html>" if mode == "http500" else ""
            data = bytes.fromhex(behaviour["body_hex"]) if "body_hex" in behaviour \
                else str(behaviour.get("body", default)).encode("utf-8")
            status = int(behaviour.get("status", 500 if mode == "http500" else 200))
            return self.send_bytes(status, data, "text/html" if mode == "http500"
                                   else "application/xml;charset=UTF-8", record)

        prefix = behaviour.get("common_prefix", "ns2" if version == "3.0" else "")
        if refusal is not None:
            status = int(cfg.get("refusal_status", 400))
            root, children = "GeneralErrorResponse", error_answer(
                version, info, refusal.code, refusal.message, refusal.validation)
            record.update(func_code="ERROR", error_code=refusal.code)
        elif mode == "error":
            status = int(behaviour.get("status", 400))
            code = behaviour.get("error_code", "OPERATION_FAILED")
            root, children = "GeneralErrorResponse", error_answer(
                version, info, code, behaviour.get("message", "A művelet sikertelen."))
            record.update(func_code="ERROR", error_code=code)
        else:
            status = 200
            root = OPERATIONS[operation] + "Response"
            children = ok_answer(srv.ctx, cfg, behaviour, operation, version, info,
                                 srv.state, record)
            record["func_code"] = "OK"
        data = render_answer(version, root, children, prefix)
        data += bytes.fromhex(behaviour.get("append_hex", ""))
        self.send_bytes(status, data, record=record)


class RequestLog:
    def __init__(self, directory, state):
        self.dir, self.state = directory, state
        os.makedirs(directory, exist_ok=True)
        self.lock = threading.Lock()

    def begin(self, operation):
        with self.state.lock:
            self.state.seq += 1
            seq = self.state.seq
        return {"seq": seq, "operation": operation, "time": now_stamp()}

    def stem(self, record):
        return "%04d-%s" % (record["seq"], record["operation"])

    def save(self, record, suffix, data):
        name = "%s-%s" % (self.stem(record), suffix)
        with open(os.path.join(self.dir, name), "wb") as f:
            f.write(data)
        return name

    def finish(self, record):
        lines = []
        for key in ("path", "http_version", "host", "method"):
            lines.append("%s: %s" % (key, record.get(key, "")))
        for k, v in record.get("headers", []):
            lines.append("header: %s: %s" % (k, v))
        for key in ("version", "root", "mode"):
            lines.append("%s: %s" % (key, record.get(key, "")))
        for name, result in record.get("checks", {}).items():
            lines.append("check %s: %s" % (name, result))
        lines.append("accepted: %s" % ("yes" if record.get("accepted") else "no"))
        for key in ("timestamp_skew", "status", "func_code", "error_code", "fault",
                    "token", "token_hex",
                    "transaction_id", "exchange_token", "request_file", "response_file"):
            if record.get(key) is not None:
                lines.append("%s: %s" % (key, record[key]))
        text = "\n".join(l.replace("\r", " ").replace("\n", " ") for l in lines) + "\n"
        with self.lock:
            with open(os.path.join(self.dir, self.stem(record) + ".txt"), "w",
                      encoding="utf-8") as f:
                f.write(text)
            with open(os.path.join(self.dir, "requests.jsonl"), "a", encoding="utf-8") as f:
                f.write(json.dumps(record, ensure_ascii=False) + "\n")


class TlsServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, tls, **kw):
        super().__init__(address, Handler)
        self.tls = tls
        for k, v in kw.items():
            setattr(self, k, v)

    def get_request(self):
        sock, addr = self.socket.accept()
        sock.settimeout(30)
        # The handshake runs in the request's thread, so a stuck client never
        # holds up the others.
        return self.tls.wrap_socket(sock, server_side=True,
                                    do_handshake_on_connect=False), addr


def make_certificate(openssl, directory):
    cert, key = os.path.join(directory, "cert.pem"), os.path.join(directory, "key.pem")
    subprocess.run([openssl, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=" + HOSTS[1],
                    "-addext", "subjectAltName=DNS:%s,DNS:%s" % HOSTS],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def tool(name, given):
    path = given or shutil.which(name)
    if not path:
        sys.exit("nav_authority: %s not found" % name)
    return path


def serve(args):
    ctx = {"schemas": args.schemas, "xmllint": tool("xmllint", args.xmllint),
           "openssl": tool("openssl", args.openssl)}
    state = State()
    with tempfile.TemporaryDirectory(prefix="nav-authority-") as tmp:
        cert, key = make_certificate(ctx["openssl"], tmp)
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(cert, key)
        try:
            server = TlsServer(("127.0.0.1", args.port), tls, ctx=ctx, state=state,
                               config_path=args.config, stopping=threading.Event(),
                               log=RequestLog(args.log_dir, state))
        except OSError as e:
            sys.exit("nav_authority: cannot listen on 127.0.0.1:%d: %s" % (args.port, e.strerror))

        def stop(*_):
            server.stopping.set()
            threading.Thread(target=server.shutdown, daemon=True).start()

        signal.signal(signal.SIGTERM, stop)
        signal.signal(signal.SIGINT, stop)
        if args.lifetime > 0:
            timer = threading.Timer(args.lifetime, stop)
            timer.daemon = True
            timer.start()
        if args.pid_file:
            with open(args.pid_file, "w") as f:
                f.write("%d\n" % os.getpid())
        port_tmp = args.port_file + ".tmp"
        with open(port_tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(port_tmp, args.port_file)
        try:
            server.serve_forever(poll_interval=0.1)
        finally:
            server.server_close()


def check_offline(args):
    ctx = {"schemas": args.schemas, "xmllint": tool("xmllint", args.xmllint),
           "openssl": tool("openssl", args.openssl)}
    cfg = {}
    if args.config:
        with open(args.config, encoding="utf-8") as f:
            cfg = json.load(f)
    with open(args.file, "rb") as f:
        body = f.read()
    checks = {}
    state = State()
    for token in args.token or []:
        state.tokens[token.encode("utf-8")] = {"issued": time.time(), "used": False}
    try:
        check_request(ctx, cfg, args.operation, args.version, body, checks, state)
        failed = False
    except Refusal as r:
        failed = True
        print("refused: %s" % r.code)
        print("message: %s" % (r.validation or r.message))
    for name, result in checks.items():
        print("check %s: %s" % (name, result))
    return 1 if failed else 0


def main(argv=None):
    p = argparse.ArgumentParser(description="Loopback test authority")
    sub = p.add_subparsers(dest="command")
    c = sub.add_parser("check", help="check one request file offline")
    for q, default in ((p, None), (c, argparse.SUPPRESS)):
        # The options may stand before or after "check".
        q.add_argument("--schemas", default=default or os.environ.get("NAV_SCHEMAS_DIR", ""),
                       help="folder holding 3.0/, 2.0/ and 1.1/")
        q.add_argument("--config", default=default,
                       help="JSON configuration (re-read per request)")
        q.add_argument("--xmllint", default=default)
        q.add_argument("--openssl", default=default)
    p.add_argument("--port-file")
    p.add_argument("--pid-file", help="written with the server's process id")
    p.add_argument("--log-dir")
    p.add_argument("--lifetime", type=float, default=600,
                   help="seconds until the server stops by itself; 0: never")
    p.add_argument("--port", type=int, default=0,
                   help="the port to listen on; 0 (default): a free one")
    c.add_argument("--operation", required=True, choices=sorted(OPERATIONS))
    c.add_argument("--version", required=True, choices=sorted(API_NS))
    c.add_argument("--token", action="append", help="an exchange token taken as issued")
    c.add_argument("file")
    args = p.parse_args(argv)
    if args.command == "check":
        return check_offline(args)
    if not (args.port_file and args.config and args.log_dir and args.schemas):
        p.error("--port-file, --config, --log-dir and --schemas are required")
    serve(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
