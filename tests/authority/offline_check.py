#!/usr/bin/env python3
"""The test authority's checks without the server, for tests that run the
client with a curl stand-in instead of the loopback authority.

    import offline_check
    ok, checks = offline_check.check(request_bytes, "tokenExchange", "3.0",
                                     schemas="third_party/nav-schemas")
    answer = offline_check.prepared_answer("tokenExchange", "3.0", token=b"...")

`check` runs nav_authority's checks in its order (schema, operation, user,
password hash, request signature; for the manage operations the exchange
token given as issued and the annulment document) on the request as curl's
-d sends it: without its CR and LF bytes. `prepared_answer` is the answer the
authority gives when every check passes: for tokenExchange the token
enciphered under the test user's exchange key (AES-128-ECB, padded to 64
bytes, Base64). The technical user is nav_authority's default one unless a
config dict says otherwise.
"""

import base64
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import nav_authority as nav  # noqa: E402


def _tool(name):
    path = shutil.which(name)
    if not path:
        raise RuntimeError("%s not found" % name)
    return path


def check(request, operation, version, schemas, config=None, tokens=()):
    """(True, checks) when every check passes, else (False, checks) with the
    first failure's reason in checks["refused"]."""
    ctx = {"schemas": schemas, "xmllint": _tool("xmllint"), "openssl": _tool("openssl")}
    body = request.replace(b"\r", b"").replace(b"\n", b"")
    state = nav.State()
    for token in tokens:
        state.tokens[token] = {"issued": nav.time.time(), "used": False}
    checks = {}
    try:
        nav.check_request(ctx, config or {}, operation, version, body, checks, state)
    except nav.Refusal as r:
        checks["refused"] = "%s: %s" % (r.code, r.validation or r.message)
        return False, checks
    return True, checks


def prepared_answer(operation, version, token=None, config=None, extra=()):
    """The OK answer of the operation as bytes; `extra` are further
    nav_authority.El children (a transactionId is added for the manage
    operations, the enciphered token for tokenExchange)."""
    cfg = config or {}
    children = nav.envelope(version, {}, "OK")
    if operation == "tokenExchange":
        cipher = nav.aes_ecb(_tool("openssl"), nav.cfg_key(cfg), nav.token_block(token))
        children += [nav.El("encodedExchangeToken", base64.b64encode(cipher).decode("ascii")),
                     nav.El("tokenValidityFrom", nav.now_stamp()),
                     nav.El("tokenValidityTo", nav.now_stamp(300))]
    elif operation in nav.MANAGE:
        children.append(nav.El("transactionId", "T" + nav.new_id(15)))
    children += list(extra)
    prefix = "ns2" if version == "3.0" else ""
    return nav.render_answer(version, nav.OPERATIONS[operation] + "Response", children, prefix)
