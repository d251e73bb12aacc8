#!/usr/bin/env python3
"""Makes a test CURLDIR: a directory holding an executable `curl` wrapper that
sends every transfer to the loopback test authority.

    python3 make_curldir.py DIR (--port PORT | --port-file FILE)
                            [--real-curl PATH] [--record FILE]
                            [--no-call [--exit-code N]]

  The wrapper runs the real curl (PATH, default: `curl` found on PATH now,
  when the wrapper is made) as
      curl -q --noproxy '*' --connect-to ::127.0.0.1:PORT <its own arguments>
  so any host and port named in the URL reach 127.0.0.1:PORT and nothing
  else (-q: no .curlrc; --noproxy: no proxy from the environment). With
  --port-file the port is read from FILE each time the wrapper runs, so the
  CURLDIR may be made before the server has started.

  --record FILE: before anything else the wrapper appends to FILE its argv,
  one argument per line, $0 first, then the separator line "----".
  --no-call: do not run the real curl at all (writes no response file) and
  exit with --exit-code (default 0). Meant with --record.

From Python: make_curldir(directory, port=..., ...) returns the wrapper's path.
Every path written into the script is quoted for /bin/sh, so directories with
blanks, "&" or "'" work.
"""

import argparse
import os
import shutil
import stat
import sys

SEPARATOR = "----"


def sh_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


def wrapper_script(port=None, port_file=None, real_curl=None, record=None,
                   call_real=True, exit_code=0):
    lines = ["#!/bin/sh",
             "# Test curl: every transfer goes to the loopback test authority."]
    if record:
        lines.append("{ printf '%%s\\n' \"$0\"; for a in \"$@\"; do printf '%%s\\n' \"$a\"; "
                     "done; printf '%%s\\n' '%s'; } >> %s" % (SEPARATOR, sh_quote(record)))
    if not call_real:
        lines.append("exit %d" % int(exit_code))
        return "\n".join(lines) + "\n"
    if port_file:
        lines.append("PORT=$(cat %s) || exit 7" % sh_quote(port_file))
    else:
        lines.append("PORT=%d" % int(port))
    lines.append("exec %s -q --noproxy '*' --connect-to \"::127.0.0.1:$PORT\" \"$@\""
                 % sh_quote(real_curl))
    return "\n".join(lines) + "\n"


def make_curldir(directory, port=None, port_file=None, real_curl=None,
                 record=None, call_real=True, exit_code=0):
    if call_real and port is None and port_file is None:
        raise ValueError("a port or a port file is needed")
    if call_real:
        real_curl = os.path.abspath(real_curl or shutil.which("curl") or "")
        if not os.access(real_curl, os.X_OK):
            raise FileNotFoundError("real curl not found")
    os.makedirs(directory, exist_ok=True)
    path = os.path.join(directory, "curl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(wrapper_script(port, port_file and os.path.abspath(port_file),
                               real_curl, record and os.path.abspath(record),
                               call_real, exit_code))
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    return path


def read_calls(record):
    """The recorded calls, each a list: [$0, arg1, arg2, ...]."""
    with open(record, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    calls, current = [], []
    for line in lines[:-1]:
        if line == SEPARATOR:
            calls.append(current)
            current = []
        else:
            current.append(line)
    return calls


def main(argv=None):
    p = argparse.ArgumentParser(description="Make a test CURLDIR")
    p.add_argument("directory")
    p.add_argument("--port", type=int)
    p.add_argument("--port-file")
    p.add_argument("--real-curl")
    p.add_argument("--record")
    p.add_argument("--no-call", action="store_true")
    p.add_argument("--exit-code", type=int, default=0)
    a = p.parse_args(argv)
    try:
        print(make_curldir(a.directory, a.port, a.port_file, a.real_curl, a.record,
                           not a.no_call, a.exit_code))
    except (ValueError, FileNotFoundError) as e:
        p.error(str(e))
    return 0


if __name__ == "__main__":
    sys.exit(main())
