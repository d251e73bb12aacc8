#!/usr/bin/env python3
"""End-to-end runs of kvitalink.exe under Wine, side by side with the Linux
kvitalink, each with the curl stand-in of its own build (curl_standin.cpp):
the same parameter file (Windows-1250, CR LF, relative paths written with
"\\") in a workspace of the same layout. For every case it checks the file
names, the HTTP client's command line (on Windows the exact line that
curl.exe is started with, no command interpreter between: folder names and
an invoice number holding "%NAME%", "%%", "^", "&" and blanks reach it item
for item), every request against the test authority's offline checks
(schema, password hash, signature, exchange token), the response files (the
prepared answer, the ANSI rewrite, the no-answer texts), the messages, the
exit code and that the parameter file is gone; then that Linux and Windows
wrote the same requests apart from the request id, the timestamps and the
signatures, the same responses and the same messages (code page 852 on the
Windows program's standard error, UTF-8 on Linux), and that a parameter
file whose name code page 852 cannot hold is "not found" on both.

    e2e_windows.py --wine WINE --windows-exe kvitalink.exe --windows-curl curl.exe
                   --linux-exe kvitalink --linux-curl curl --schemas DIR --work DIR

The Wine environment (WINEPREFIX, LANG=hu_HU.UTF-8, TZ, ...) comes from the
caller, scripts/test-windows.
"""

import argparse
import base64
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "authority"))
import offline_check  # noqa: E402
from nav_authority import El  # noqa: E402

OUT = "számlák"              # the folder of the request and response files
CURLDIR = "curl dir"         # the HTTP client's folder: a blank in it
# What cmd.exe would have read: "%NAME%" expanded (KV_QUOTES holds quotes that
# would break the quoting), "%%", "^" and "&" taken as its own.
HARD_OUT = "számlák %USERNAME%^&%%"
HARD_CURLDIR = "curl %KV_QUOTES% & ^dir"
HARD_NUMBER = "A%USERNAME%B %KV_QUOTES% ^&%%"
ENVIRONMENT = {"KV_QUOTES": '" x "', "USERNAME": "kvuser"}
TOKEN = b"0b7c5a8e-3f2d-4c1b-9e6a-7d8f9a0b1c2dKVITALINKW32"
HOST = "api-test.onlineszamla.nav.gov.hu"
NO_TOKEN = "HIBA - Nincs válasz a NAV online számla rendszerből (token kérés)!"
NO_SENDING = "HIBA - Nincs válasz a NAV online számla rendszerből (számla küldés)!"
INVOICE = ('<?xml version="1.0" encoding="UTF-8"?>\r\n'
           '<InvoiceData xmlns="http://schemas.nav.gov.hu/OSA/3.0/data">'
           '<invoiceNumber>A/2022 01</invoiceNumber><invoiceIssueDate>2022-01-10'
           '</invoiceIssueDate><note>Árvíztűrő tükörfúrógép</note></InvoiceData>\r\n')

OPERATION_OF = {"token": "tokenExchange", "invoice": "manageInvoice", "annul": "manageAnnulment",
                "taxpayer": "queryTaxpayer", "queryinvoicedata": "queryInvoiceData"}

failures = []


def fail(case, text):
    failures.append("%s: %s" % (case, text))
    print("FAIL %s: %s" % (case, text), flush=True)


def expect(case, condition, text):
    if not condition:
        fail(case, text)
    return condition


class Case:
    def __init__(self, name, funkcio, files, answers, extra=(), exit_code=0, drop=(),
                 out=OUT, curldir=CURLDIR):
        self.name, self.funkcio, self.files, self.answers = name, funkcio, files, answers
        self.extra, self.exit_code, self.drop = list(extra), exit_code, drop
        self.out, self.curldir = out, curldir


def cases():
    taxpayer_answer = [El("infoDate", "2022-01-10T10:00:00.000Z"), El("taxpayerValidity", "true")]
    return [
        Case("token exchange", "0", {"teszt_tokenrequest.xml": "token", "teszt_tokenresponse.xml": "token"},
             {"tokenExchange": []}),
        Case("submission", "1", {"A12_tokenrequest.xml": "token", "A12_tokenresponse.xml": "token",
                                 "A12_invoicerequest.xml": "invoice", "A12_invoiceresponse.xml": "invoice"},
             {"tokenExchange": [], "manageInvoice": []}, ['operation:="CREATE"']),
        Case("annulment", "7", {"teszt_tokenrequest.xml": "token", "teszt_tokenresponse.xml": "token",
                                "teszt_annulrequest.xml": "annul", "teszt_annulresponse.xml": "annul"},
             {"tokenExchange": [], "manageAnnulment": []}, ['invoicenumber:="A/2022 01"']),
        Case("taxpayer query, ANSI rewrite", "3",
             {"12345678_taxpayerrequest.xml": "taxpayer", "12345678_taxpayerresponse.xml": "taxpayer"},
             {"queryTaxpayer": taxpayer_answer}, ['taxnumber2:="12345678"', 'charcode:="ANSI"']),
        Case("invoice data query", "4",
             {"A2022_01_queryinvoicedatarequest.xml": "queryinvoicedata",
              "A2022_01_queryinvoicedataresponse.xml": "queryinvoicedata"},
             {"queryInvoiceData": []}, ['invoicenumber:="A/2022 01"', 'kibe:="K"']),
        Case("token exchange, no answer", "0",
             {"teszt_tokenrequest.xml": "token", "teszt_tokenresponse.xml": NO_TOKEN}, {}),
        Case("submission, no answer to it", "1",
             {"A12_tokenrequest.xml": "token", "A12_tokenresponse.xml": "token",
              "A12_invoicerequest.xml": "invoice", "A12_invoiceresponse.xml": NO_SENDING},
             {"tokenExchange": []}, ['operation:="CREATE"']),
        Case("taxpayer query, no answer", "3", {"12345678_taxpayerrequest.xml": "taxpayer"},
             {}, ['taxnumber2:="12345678"', 'charcode:="ANSI"']),
        Case("no CURLDIR: the run-time error report", "0", {}, {}, exit_code=1, drop=("curldir",)),
        Case("token exchange, hard characters in the folders", "0",
             {"teszt_tokenrequest.xml": "token", "teszt_tokenresponse.xml": "token"},
             {"tokenExchange": []}, out=HARD_OUT, curldir=HARD_CURLDIR),
        Case("invoice data query, hard characters in the invoice number", "4",
             {"A%USERNAME%B_%KV_QUOTES%_^&%%_queryinvoicedatarequest.xml": "queryinvoicedata",
              "A%USERNAME%B_%KV_QUOTES%_^&%%_queryinvoicedataresponse.xml": "queryinvoicedata"},
             {"queryInvoiceData": []}, ['invoicenumber:="%s"' % HARD_NUMBER, 'kibe:="K"'],
             out=HARD_OUT, curldir=HARD_CURLDIR),
    ]


def parameter_lines(case, version):
    lines = ['login:="kvtestlogin01"', 'password:="Jelszo123"', 'taxnumber:="11111111"',
             'xmlkulcs:="ab-cd12-3456789abcde1XY2ZW3VU4TS"', 'techkulcs:="2K4N7Q9S3V6X8Z1B"',
             'softwareid:="KVITALINK-WIN32-01"', 'softwarename:="kvitalink Windows"',
             'softwaremainversion:="2022.01"', 'softwaredevname:="Kvitalink Fejlesztő Kft."',
             'softwaredevcontact:="dev@example.hu"', 'curldir:="%s\\"' % case.curldir,
             'funkcio:="%s"' % case.funkcio, 'teszturl:="teszt"', 'xsdverzio:="%s"' % version,
             'invoicexml:="%s"' % (case.out + "\\A12.xml" if case.funkcio == "1" else case.out)]
    lines = [l for l in lines if l.split(":=")[0] not in case.drop]
    return lines + case.extra


def answer_bytes(operation, version, extra):
    return offline_check.prepared_answer(operation, version, token=TOKEN, extra=extra)


def run_case(platform, args, case, version, root, answers):
    """Lays out the workspace, runs the program there; the run's results."""
    work = os.path.join(root, platform)
    os.makedirs(os.path.join(work, case.curldir))
    os.makedirs(os.path.join(work, case.out))
    os.makedirs(os.path.join(work, "standin", "answers"))
    if platform == "windows":
        shutil.copy(args.windows_curl, os.path.join(work, case.curldir, "curl.exe"))
    else:
        shutil.copy(args.linux_curl, os.path.join(work, case.curldir, "curl"))
    with open(os.path.join(work, case.out, "A12.xml"), "wb") as f:
        f.write(INVOICE.encode("utf-8"))
    for operation, data in answers.items():
        with open(os.path.join(work, "standin", "answers", operation), "wb") as f:
            f.write(data)
    with open(os.path.join(work, "param.txt"), "wb") as f:
        f.write("".join(l + "\r\n" for l in parameter_lines(case, version)).encode("cp1250"))
    env = dict(os.environ, KV_STANDIN_DIR=os.path.join(work, "standin"), **ENVIRONMENT)
    if platform == "windows":
        command = [args.wine, os.path.abspath(args.windows_exe), "//headless", "param.txt"]
    else:
        command = [os.path.abspath(args.linux_exe), "//headless", "param.txt"]
    run = subprocess.run(command, cwd=work, env=env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    files = {}
    for name in sorted(os.listdir(os.path.join(work, case.out))):
        if name != "A12.xml":
            with open(os.path.join(work, case.out, name), "rb") as f:
                files[name] = f.read()
    record = os.path.join(work, "standin", "record")
    calls = []
    for name in sorted(os.listdir(record) if os.path.isdir(record) else [],
                       key=lambda n: int(n.split("-")[0])):
        if name.endswith(".args"):
            stem = os.path.join(record, name[:-5])
            call = {"operation": name[:-5].split("-", 1)[1]}
            for part in ("args", "line", "request"):
                if os.path.exists(stem + "." + part):
                    with open(stem + "." + part, "rb") as f:
                        call[part] = f.read()
            calls.append(call)
    return {"exit": run.returncode, "out": run.stdout, "err": run.stderr, "files": files,
            "calls": calls, "param_left": os.path.exists(os.path.join(work, "param.txt"))}


def expected_arguments(platform, case, operation, request, response, version):
    """The stand-in's argument list: paths of the request folder as written."""
    sep = "\\" if platform == "windows" else "/"
    args = ["-X", "POST", "-s", "-k"]
    if operation in ("manageInvoice", "manageAnnulment"):
        args.append("--http1.0")
    args += ["-m60", "-H", "Accept: application/xml", "-H", "Content-Type: application/xml",
             "-d", "@" + case.out + sep + request,
             "https://%s/invoiceService/%s%s" % (HOST, "v%s/" % version[0], operation),
             "-o", case.out + sep + response]
    return args


def windows_line(case, operation, request, response, version):
    """The exact line that curl.exe is started with. No file name holds a
    double quote, and none of these ends in a backslash, so that every item
    is its text in double quotes."""
    http10 = " --http1.0" if operation in ("manageInvoice", "manageAnnulment") else ""
    return ('"%s\\\\curl.exe" -X POST -s -k%s "-m60" -H "Accept: application/xml" '
            '-H "Content-Type: application/xml" -d @"%s\\%s" '
            '"https://%s/invoiceService/v%s/%s" -o "%s\\%s"' % (
                case.curldir, http10, case.out, request, HOST, version[0], operation, case.out,
                response))


def check_run(platform, case, version, result, answers):
    label = "%s %s [%s]" % (case.name, version, platform)
    expect(label, result["exit"] == case.exit_code,
           "exit code %d, wanted %d; stderr %r" % (result["exit"], case.exit_code, result["err"][-300:]))
    if case.exit_code == 1:
        # The report's message box and the report itself, one code page.
        report = "Nem létező változó: CURLDIR".encode("cp852" if platform == "windows" else "utf-8")
        expect(label, result["err"].count(report) == 2,
               "the box and the report, %r each: %r" % (report, result["err"]))
    expect(label, not result["param_left"], "the parameter file was left")
    expect(label, sorted(result["files"]) == sorted(case.files),
           "files %s, wanted %s" % (sorted(result["files"]), sorted(case.files)))
    requests = [n for n, kind in case.files.items() if n.endswith("request.xml")]
    expect(label, len(result["calls"]) == len(requests),
           "%d calls of the HTTP client for %d requests" % (len(result["calls"]), len(requests)))
    for call, request in zip(result["calls"], sorted(requests, key=lambda n: "token" not in n)):
        operation = OPERATION_OF[case.files[request]]
        response = request.replace("request.xml", "response.xml")
        expect(label, call["operation"] == operation, "called for %s, wanted %s" % (call["operation"], operation))
        got = call["args"].decode("utf-8").splitlines()
        want = expected_arguments(platform, case, operation, request, response, version)
        expect(label, got == want, "arguments %r, wanted %r" % (got, want))
        if platform == "windows":
            line = call.get("line", b"").decode("utf-8")
            want_line = windows_line(case, operation, request, response, version)
            expect(label, line == want_line, "command line %r, wanted %r" % (line, want_line))
        expect(label, call.get("request") == result["files"].get(request),
               "curl was not given %s as it stands" % request)
        ok, checks = offline_check.check(result["files"].get(request, b""), operation,
                                         "3.0" if version == "3.0" else "2.0", SCHEMAS,
                                         tokens=[TOKEN])
        expect(label, ok, "%s refused by the authority's checks: %s" % (request, checks.get("refused")))
    for name, kind in case.files.items():
        if not name.endswith("response.xml"):
            continue
        got = result["files"].get(name)
        if kind in (NO_TOKEN, NO_SENDING):
            want = kind.encode("cp1250")
        else:
            want = answers[OPERATION_OF[kind]]
            if any(l == 'charcode:="ANSI"' for l in case.extra):
                want = want.decode("utf-8").encode("cp1250")
        expect(label, got == want, "%s holds %r, wanted %r" % (name, (got or b"")[:120], want[:120]))


STAMPS = re.compile(rb"<((?:\w+:)?(?:requestId|timestamp|requestSignature|annulmentTimestamp))"
                    rb"([^>]*)>[^<]*</")


def masked(request):
    """The request with its id, timestamps and signature blanked; the
    annulment document inside it decoded and blanked the same way."""
    def inner(m):
        try:
            return b"<invoiceAnnulment>" + masked(base64.b64decode(m.group(1))) + b"</"
        except ValueError:
            return m.group(0)
    request = re.sub(rb"<invoiceAnnulment>([^<]*)</", inner, request)
    return STAMPS.sub(lambda m: b"<" + m.group(1) + m.group(2) + b">*</", request)


def messages(text, platform):
    """Standard error as the same text on both systems: the program's name in
    the heading, and every byte of it, which Windows writes in code page 852
    and Linux in UTF-8 (the message boxes and the run-time error report
    alike). Line ends stay as written."""
    if platform == "windows":
        text = text.decode("cp852").encode("utf-8").replace(b"KVITALINK.EXE", b"KVITALINK")
    return text


def compare(case, version, linux, windows):
    label = "%s %s [Linux and Windows]" % (case.name, version)
    expect(label, linux["exit"] == windows["exit"],
           "exit codes %d and %d" % (linux["exit"], windows["exit"]))
    expect(label, messages(linux["err"], "linux") == messages(windows["err"], "windows"),
           "messages %r and %r" % (linux["err"], windows["err"]))
    expect(label, linux["out"] == windows["out"],
           "standard output %r and %r" % (linux["out"], windows["out"]))
    for name in sorted(set(linux["files"]) | set(windows["files"])):
        a, b = linux["files"].get(name), windows["files"].get(name)
        if name.endswith("request.xml") and a is not None and b is not None:
            a, b = masked(a), masked(b)
        expect(label, a == b, "%s differs:\n  %r\n  %r" % (name, a, b))


def compare_change_log(args):
    """ "/?" without a window: the change log on standard output byte for
    byte as on Linux (its own CR LF line ends, nothing added to them)."""
    label = "change log [Linux and Windows]"
    runs = {}
    for platform in ("linux", "windows"):
        work = os.path.join(args.work, "changelog", platform)
        os.makedirs(work)
        if platform == "windows":
            command = [args.wine, os.path.abspath(args.windows_exe), "//headless", "/?"]
        else:
            command = [os.path.abspath(args.linux_exe), "//headless", "/?"]
        runs[platform] = subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        expect(label, runs[platform].returncode == 0,
               "%s exit code %d" % (platform, runs[platform].returncode))
    linux, windows = runs["linux"], runs["windows"]
    expect(label, b"\r\n" in linux.stdout and b"\r\r" not in linux.stdout,
           "Linux standard output %r" % linux.stdout[:200])
    expect(label, linux.stdout == windows.stdout,
           "standard output %r and %r" % (linux.stdout[:200], windows.stdout[:200]))
    expect(label, linux.stderr == windows.stderr,
           "standard error %r and %r" % (linux.stderr[:200], windows.stderr[:200]))
    print("ran %s" % label, flush=True)


def compare_unheld_names(args):
    """A parameter file whose name code page 852 cannot hold is not found:
    "€" would become "?" (a wildcard), "À" the byte of "└", which names
    another file. Nothing is read or deleted; the message in each system's
    code page."""
    lines = parameter_lines(cases()[0], "3.0")
    message = "KVITALINK  2022.01\n\nA megadott paraméter fájl nem található!\n"
    for names in (["param€.txt"], ["paramÀ.txt", "param└.txt"]):
        label = "%s not found [Linux and Windows]" % names[0]
        for platform in ("linux", "windows"):
            work = os.path.join(args.work, "unheld", platform, names[0])
            os.makedirs(work)
            for name in names:
                with open(os.path.join(work, name), "wb") as f:
                    f.write("".join(l + "\r\n" for l in lines).encode("cp1250"))
            if platform == "windows":
                command = [args.wine, os.path.abspath(args.windows_exe), "//headless", names[0]]
                want = message.replace("KVITALINK", "KVITALINK.EXE").encode("cp852")
            else:
                command = [os.path.abspath(args.linux_exe), "//headless", names[0]]
                want = message.encode("utf-8")
            run = subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
            expect(label, run.returncode == 0, "%s exit code %d" % (platform, run.returncode))
            expect(label, run.stderr == want, "%s standard error %r, wanted %r" % (
                platform, run.stderr, want))
            expect(label, sorted(os.listdir(work)) == sorted(names),
                   "%s left %s" % (platform, sorted(os.listdir(work))))
        print("ran %s" % label, flush=True)


def main():
    p = argparse.ArgumentParser()
    for name in ("wine", "windows-exe", "windows-curl", "linux-exe", "linux-curl", "schemas", "work"):
        p.add_argument("--" + name, required=True)
    args = p.parse_args()
    global SCHEMAS
    SCHEMAS = os.path.abspath(args.schemas)
    if not os.path.isdir(os.path.join(SCHEMAS, "3.0")):
        sys.exit("the authority's schemas are missing: %s" % SCHEMAS)
    args.work = os.path.abspath(args.work)
    shutil.rmtree(args.work, ignore_errors=True)
    count = 0
    for version in ("3.0", "2.0"):
        for number, case in enumerate(cases()):
            root = os.path.join(args.work, "%s-%d" % (version, number))
            answers = {op: answer_bytes(op, version, extra) for op, extra in case.answers.items()}
            results = {}
            for platform in ("linux", "windows"):
                results[platform] = run_case(platform, args, case, version, root, answers)
                check_run(platform, case, version, results[platform], answers)
            compare(case, version, results["linux"], results["windows"])
            count += 1
            print("ran %s %s" % (case.name, version), flush=True)
    compare_change_log(args)
    compare_unheld_names(args)
    count += 3
    print("%d cases, %d failures" % (count, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
