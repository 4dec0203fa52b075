#!/usr/bin/python3
"""velloc serve's JSON API over loopback: every endpoint with its answers and each bad input,
checked against the schemas in cli/schemas, then paging, two clients archiving the same new value
at once, and a database failure. Prints 'N passed, N failed'.

Usage: api_test.py VELLOC SCHEMA-DIR
"""
import base64
import contextlib
import http.client
import json
import pathlib
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

import jsonschema

from serve_kit import running_server

VELLOC, SCHEMAS = str(pathlib.Path(sys.argv[1]).resolve()), pathlib.Path(sys.argv[2])
BIG = "x" * (64 * 1024)
NOT_OURS = ('the cursor is not one this list gave: pass the "next" of the previous answer of the '
            'same item and match as it came')

# (path, body: a dict sent as JSON or a raw text, status, what the answer must say)
CASES = [
    ("/api/ref", {"field": "cdefine3", "match": "华"}, 200,
     {"ok": True, "columns": ["档案值", "别名"], "shown": 3, "more": False,
      "rows": [["华东区", "HD"], ["华北区", "HB"], ["华南区", "HN"]]}),
    ("/api/ref", {"field": " CDEFINE3 ", "match": "HD"}, 200, {"rows": [["华东区", "HD"]]}),
    ("/api/ref", {"field": "cdefine22", "section": "body"}, 200,
     {"rows": [["红色", "R"], ["蓝色", "B"]]}),
    ("/api/ref", {"field": "cdefine1", "source": "archive", "table": "customer ",
                  "column": "cCusName", "match": "北京"}, 200,
     {"ok": True, "columns": ["客户编码", "客户名称", "信用额度"], "shown": 1, "more": False}),
    ("/api/free-ref", {"field": "cfree1", "inventory": "01001"}, 200,
     {"ok": True, "columnWidth": "3000", "columns": ["自由项1"], "rows": [["白"], ["蓝"]]}),
    ("/api/free-ref", {"field": "cfree2", "match": "L"}, 200, {"ok": True, "shown": 2}),
    ("/api/free-ref", {"field": "cfree2", "limit": 1}, 200, {"shown": 1, "more": True}),
    ("/api/free-ref", {"field": "cfree2", "limit": 1, "count": True}, 200,
     {"shown": 1, "more": True, "rowCount": 3}),
    ("/api/validate", {"field": "cdefine3", "value": "HD"}, 200,
     {"code": 0, "meaning": "accepted", "typed": "HD", "value": "华东区", "replaced": True}),
    ("/api/validate", {"field": "cdefine3", "value": "nowhere"}, 200,
     {"code": -1, "value": "nowhere", "replaced": False}),
    ("/api/validate", {"field": "cdefine4", "value": "12.5", "build": True}, 200, {"code": -2}),
    ("/api/validate-free", {"field": "cfree2", "value": "特大"}, 200,
     {"code": 0, "value": "XL", "replaced": True}),
    ("/api/validate-free", {"field": "cfree1", "value": "紫"}, 200, {"code": -1}),
    # bad input
    ("/api/ref", {"match": "华"}, 400, {"error.message": 'missing "field"'}),
    ("/api/validate", {"field": "cdefine3"}, 400, {"error.message": 'missing "value"'}),
    ("/api/validate-free", {"value": "M"}, 400, {"error.message": 'missing "field"'}),
    ("/api/ref", {"field": "cdefine3", "sql": "select 1"}, 400,
     {"error.message": 'unknown key "sql"'}),
    ("/api/ref", '{"field": "cdefine3",', 400,
     {"error.message": "malformed JSON: the body must be one JSON object"}),
    ("/api/validate", '["cdefine3", "HD"]', 400,
     {"error.message": "the body must be one JSON object"}),
    ("/api/validate", {"field": "cdefine3", "value": 12}, 400,
     {"error.message": '"value" must be a string'}),
    ("/api/validate-free", {"field": "cfree1", "value": "x", "build": "yes"}, 400,
     {"error.message": '"build" must be true or false'}),
    *[("/api/ref", {"field": "cdefine3", "limit": limit}, 400,
       {"error.message": '"limit" must be a whole number from 1 to 1000'})
      for limit in (0, 1001, -1, 2.5, "10")],
    ("/api/ref", {"field": "cdefine3", "offset": -1}, 400,
     {"error.message": '"offset" must be a whole number from 0 to 9223372036854775807'}),
    ("/api/ref", {"field": "cdefine3", "source": "sql"}, 400,
     {"error.message": '"source" must be one of list, archive, voucher'}),
    ("/api/ref", {"field": "cdefine1", "source": "archive"}, 400,
     {"error.message": 'source archive needs "table", the archive table (e.g. customer, person)'}),
    ("/api/validate", {"field": "cdefine1", "source": "archive", "table": "nosuch",
                       "column": "x", "value": "v"}, 400,
     {"error.message": "unknown archive table 'nosuch': the database has no such table"}),
    ("/api/validate", '{"field": "cdefine3", "value": "' + BIG + '"}', 400,
     {"command": None, "error.message": "the request body is over 65536 bytes"}),
    ("/api/nothing", {}, 404, {"command": None, "error.message": "no such path: POST /api/nothing"}),
    ("/api/validate", {"field": "cdefine3", "value": "a\u0000b"}, 400,
     {"error.message": '"value" must not contain a NUL character'}),
    ("/api/ref", {"field": "cdefine3", "match": "\u0000"}, 400,
     {"error.message": '"match" must not contain a NUL character'}),
    # Exact matches first (HD is 华东区's alias, found by the component, ranked by the value).
    ("/api/free-ref", {"field": "cfree2", "match": "l"}, 200,
     {"rows": [["L", "大", "6901234500110"], ["XL", "特大", "6901234500127"]], "next": None}),
    ("/api/free-ref", {"field": "cfree2", "limit": 2}, 200, {"shown": 2, "more": True}),
    *[("/api/ref", {"field": "cdefine3", "after": after}, 400, {"error.message": NOT_OURS})
      for after in ("", "x", "eyJ9", "e30", "W10", "eyJyIjoxLCJrIjpbImEiXSwicyI6IngifQ",
                    "eyJyIjo5LCJrIjpbImEiXSwicyI6IngifQ", "a" * 1000 + "!")],
    ("/api/ref", {"field": "cdefine3", "after": 5}, 400,
     {"error.message": '"after" must be a string: the "next" of a previous answer'}),
    ("/api/ref", {"field": "cdefine3", "after": "e30", "offset": 2}, 400,
     {"error.message": '"after" continues after the rows a cursor ends; it takes no "offset" '
                       'other than 0'}),
    ("/api/ref", {"field": "cdefine3", "after": None, "offset": 2}, 200, {"shown": 2}),
]

# Field names with whether the component can ever take them as an item. The server lets through
# every name the component can take, whatever the component then answers, and refuses the others.
USER_DEFINED_NAMES = [
    ("cdefine1", True), (" CDEFINE5 ", True), ("cdefine'", True), ("cdefine09", True),
    ("cdefine-5", True), ("cdefine16", True), ("cdefine22", True), ("cdefine37", True),
    ("cdefine17", False), ("cdefine21", False), ("cdefine38", False), ("cdefineAB", False),
    ("cdefine100", False), ("cdefine", False), ("abc", False), ("", False),
]
FREE_NAMES = [("cfree1", True), (" CFREE10 ", True), ("cfreeA", True), ("cfree11", True),
              ("cfree", False), ("cfre", False), ("xfree1", False), ("", False)]
SOURCES = [{"source": "list"}, {"source": "archive", "table": "customer", "column": "cCusName"},
           {"source": "voucher", "card": "CT01", "column": "cContractName"}]


def field_name_cases():
    cases = []
    for path, value in (("/api/ref", {}), ("/api/validate", {"value": "x"})):
        for source in SOURCES:
            # A reference reads the name for the list source only; a validation for every source.
            examined = path == "/api/validate" or source["source"] == "list"
            for name, acceptable in USER_DEFINED_NAMES:
                body = {"field": name, **source, **value}
                if acceptable or not examined:
                    cases.append((path, body, 200, {}))
                else:
                    cases.append((path, body, 400, {"error.kind": "usage", "error.message":
                        f"unknown user-defined item field '{name}' (accepted: cdefine followed "
                        "by one character, or by a two-character number below 17 or from 22 "
                        "to 37)"}))
    for path, value in (("/api/free-ref", {}), ("/api/validate-free", {"value": "x"})):
        for name, acceptable in FREE_NAMES:
            body = {"field": name, **value}
            cases.append((path, body, 200, {}) if acceptable else
                         (path, body, 400, {"error.message": f"unknown free item field '{name}' "
                                            "(accepted: cfree followed by at least one character)"}))
    return cases


CASES += field_name_cases()

# The same question to the server and to the command: the answers are equal, key for key.
SAME_AS_COMMAND = [
    ("/api/ref", {"field": "cdefine1", "source": "archive", "table": "person",
                  "column": "cPersonName", "match": "王"},
     ["ref", "cdefine1", "--source", "archive", "--table", "person", "--field", "cPersonName",
      "--match", "王"]),
    ("/api/free-ref", {"field": "cfree1", "inventory": "01001"},
     ["free-ref", "cfree1", "--inventory", "01001"]),
    ("/api/validate", {"field": "cdefine22", "section": "body", "value": "B"},
     ["validate", "cdefine22", "--section", "body", "B"]),
    ("/api/validate-free", {"field": "cfree3", "value": "A24"}, ["validate-free", "cfree3", "A24"]),
]


# Requests from elsewhere than this server's own page, or naming another host:
# (headers sent besides the usual ones, body, status, whole message); {port} is the server's.
VALIDATE = {"field": "cdefine3", "value": "HD"}
GUARD_CASES = [
    ({"Content-Type": "text/plain"}, VALIDATE, 415,
     'a POST must carry Content-Type: application/json (it carried "text/plain")'),
    ({"Content-Type": "application/x-www-form-urlencoded"}, "field=cdefine3&value=HD", 415,
     'a POST must carry Content-Type: application/json '
     '(it carried "application/x-www-form-urlencoded")'),
    ({"Content-Type": None}, VALIDATE, 415,
     "a POST must carry Content-Type: application/json (it carried none)"),
    ({"Origin": "http://evil.example"}, VALIDATE, 403,
     'cross-site request refused: Origin "http://evil.example" is not this server\'s '
     "(http://127.0.0.1:{port})"),
    ({"Origin": "http://127.0.0.1:1"}, VALIDATE, 403,
     'cross-site request refused: Origin "http://127.0.0.1:1" is not this server\'s '
     "(http://127.0.0.1:{port})"),
    ({"Origin": "null"}, VALIDATE, 403,
     'cross-site request refused: Origin "null" is not this server\'s (http://127.0.0.1:{port})'),
    ({"Sec-Fetch-Site": "cross-site"}, VALIDATE, 403,
     'cross-site request refused: Sec-Fetch-Site is "cross-site", not same-origin'),
    ({"Sec-Fetch-Site": "same-site", "Origin": "http://127.0.0.1:{port}"}, VALIDATE, 403,
     'cross-site request refused: Sec-Fetch-Site is "same-site", not same-origin'),
    ({"Host": "evil.example"}, VALIDATE, 421,
     'unknown Host "evil.example": this server answers to 127.0.0.1:{port}, localhost:{port}, '
     "[::1]:{port}, velloc.test:{port} (more with --allowed-host NAME)"),
    ({"Host": "localhost:1"}, VALIDATE, 421,
     'unknown Host "localhost:1": this server answers to 127.0.0.1:{port}, localhost:{port}, '
     "[::1]:{port}, velloc.test:{port} (more with --allowed-host NAME)"),
    # what the page sends, and other names of this server, pass
    ({"Origin": "http://127.0.0.1:{port}", "Sec-Fetch-Site": "same-origin",
      "Content-Type": "application/json; charset=utf-8"}, VALIDATE, 200, None),
    ({"Host": "localhost:{port}", "Origin": "http://localhost:{port}"}, VALIDATE, 200, None),
    ({"Host": "VELLOC.test:{port}"}, VALIDATE, 200, None),
    ({"Host": "[::1]:{port}"}, VALIDATE, 200, None),
]

# Every answer carries these, the page's and the server's refusals included.
SECURITY_HEADERS = {
    "Content-Security-Policy": "default-src 'self'; frame-ancestors 'none'",
    "X-Content-Type-Options": "nosniff",
    "Referrer-Policy": "no-referrer",
}
SECURED = [("GET", "/", {}, 200), ("GET", "/app.js", {}, 200), ("POST", "/api/ref", {}, 200),
           ("GET", "/nothing", {}, 404), ("GET", "/", {"Host": "evil.example"}, 421),
           ("POST", "/api/ref", {"Content-Type": "text/plain"}, 415)]

# A known path asked with a method it does not take: 405 naming the ones it takes. The icon a
# browser asks for unbidden is there.
METHODS = [("GET", "/api/ref", 405, "POST"), ("PUT", "/api/validate", 405, "POST"),
           ("GET", "/api/sign-in", 405, "POST"), ("POST", "/", 405, "GET, HEAD"),
           ("DELETE", "/app.js", 405, "GET, HEAD"), ("POST", "/api/session", 405, "GET, HEAD"),
           ("GET", "/favicon.ico", 200, None), ("GET", "/favicon.svg", 200, None)]


def check_method(port, method, path, status, allowed):
    got, headers, body = exchange(port, method, path, {}, {})
    problems = [] if got == status else [f"status {got}, expected {status}"]
    if headers.get("Allow") != allowed:
        problems.append(f"Allow {headers.get('Allow')!r}, expected {allowed!r}")
    if status == 200 and (headers.get("Content-Type") != "image/svg+xml; charset=utf-8"
                          or not body.startswith(b"<svg")):
        problems.append(f"icon {headers.get('Content-Type')!r} {body[:20]!r}")
    return problems


def load_schemas():
    store = {}
    for path in SCHEMAS.glob("*.schema.json"):
        schema = json.loads(path.read_text(encoding="utf-8"))
        store[schema["$id"]] = schema
    return store


STORE = load_schemas()


def lookup(answer, dotted):
    for key in dotted.split("."):
        answer = answer[key]
    return answer


def conforms(answer):
    schema = STORE[f"{answer['command'] or 'error'}.schema.json"]
    resolver = jsonschema.RefResolver.from_schema(schema, store=STORE)
    jsonschema.Draft202012Validator(schema, resolver=resolver).validate(answer)


# The token each running server printed at start, by port: every request carries it.
TOKENS = {}

# (method, path, status, body) of every answer received, checked against the OpenAPI document.
RECEIVED = []


def against_document(document):
    """The problems of the answers received so far against the document's schema for their path,
    method and status; a method a path does not take is a 405 error. The page's paths are not
    the API's; an unknown path of the API is a 404."""
    problems, checked = [], 0
    for method, path, status, body in RECEIVED:
        item = document["paths"].get(path)
        if item is None:
            if path.startswith("/api/") and status != 404:
                problems.append(f"{method} {path}: status {status} from a path not in the document")
            continue
        response = item.get(method.lower(), {}).get("responses", {}).get(str(status))
        if method.lower() not in item and status == 405:
            response = {"content": {"application/json": {
                "schema": {"$ref": "#/components/schemas/error"}}}}
        if response is None:
            problems.append(f"{method} {path}: status {status} is not in the document")
            continue
        if "$ref" in response:
            response = document["components"]["responses"][response["$ref"].split("/")[-1]]
        schema = dict(response["content"]["application/json"]["schema"])
        schema["components"] = document["components"]
        try:
            jsonschema.Draft202012Validator(schema).validate(json.loads(body))
            checked += 1
        except (ValueError, jsonschema.ValidationError) as error:
            problems.append(f"{method} {path} {status}: {str(error).splitlines()[0]}")
    RECEIVED.clear()
    return problems + ([] if checked else ["no answer checked"])


def bearer(port):
    return f"Bearer {TOKENS[port]}"


def post(port, path, body):
    text = body if isinstance(body, str) else json.dumps(body, ensure_ascii=False)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("POST", path, text.encode("utf-8"),
                           {"Content-Type": "application/json", "Authorization": bearer(port)})
        response = connection.getresponse()
        body = response.read()
        RECEIVED.append(("POST", path, response.status, body))
        return response.status, json.loads(body.decode("utf-8"))
    finally:
        connection.close()


def exchange(port, method, path, body, headers):
    """One request with `headers` over the usual Host and Content-Type (None drops one); the
    status, the answer's headers and its body."""
    sent = {"Host": f"127.0.0.1:{port}", "Content-Type": "application/json",
            "Authorization": bearer(port)}
    sent.update({key: value.format(port=port) if value else value
                 for key, value in headers.items()})
    text = body if isinstance(body, str) else json.dumps(body, ensure_ascii=False)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        for key, value in sent.items():
            if value is not None:
                connection.putheader(key, value)
        data = text.encode("utf-8") if method == "POST" else b""
        connection.putheader("Content-Length", str(len(data)))
        connection.endheaders(data)
        response = connection.getresponse()
        headers, body = dict(response.getheaders()), response.read()
        if headers.get("Content-Type", "").startswith("application/json"):
            RECEIVED.append((method, path, response.status, body))
        return response.status, headers, body
    finally:
        connection.close()


@contextlib.contextmanager
def server(db, stopped, *options):
    """A running velloc serve; on leaving, `stopped` gets the problems of stopping it with
    SIGTERM: it must end by itself, with status 0 and nothing on stderr (a sanitizer's report
    included)."""
    with tempfile.TemporaryFile("w+") as errors:
        with running_server(VELLOC, ["--db", str(db)], serve_options=options,
                            log=errors) as served:
            TOKENS[served.port] = served.token
            yield served.port
        errors.seek(0)
        said = errors.read()
        if served.process.returncode != 0 or said:
            stopped.append(f"status {served.process.returncode} on SIGTERM, stderr {said!r}")


def erp_ci(a, b):
    a, b = a.rstrip(" ").lower(), b.rstrip(" ").lower()
    return (a > b) - (a < b)


def query(db, statement, *args):
    with contextlib.closing(sqlite3.connect(db, isolation_level=None)) as connection:
        connection.create_collation("ERP_CI", erp_ci)
        return connection.execute(statement, args).fetchall()


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, problems):
        if problems:
            self.failed += 1
            print(f"FAILED {name}: {'; '.join(problems)}")
        else:
            self.passed += 1


def check_answer(status, answer, expected_status, expected):
    problems = [] if status == expected_status else [f"status {status}, expected {expected_status}"]
    try:
        conforms(answer)
        for key, value in expected.items():
            if lookup(answer, key) != value:
                problems.append(f"{key} is {lookup(answer, key)!r}, expected {value!r}")
    except (KeyError, jsonschema.ValidationError) as error:
        problems.append(f"{type(error).__name__}: {error}".splitlines()[0] + f" in {answer!r}")
    return problems


def check_paging(port):
    """Pages of a pick-list put together give the whole list, in order."""
    whole = post(port, "/api/free-ref", {"field": "cfree2"})[1]
    pages = [post(port, "/api/free-ref",
                  {"field": "cfree2", "limit": 2, "offset": offset, "count": True})[1]
             for offset in (0, 2, 4)]
    problems = []
    if [len(page["rows"]) for page in pages] != [2, 1, 0]:
        problems.append(f"page sizes {[len(page['rows']) for page in pages]}, expected [2, 1, 0]")
    if sum((page["rows"] for page in pages), []) != whole["rows"]:
        problems.append(f"pages {pages} do not make {whole['rows']}")
    if [page["more"] for page in pages] != [True, False, False]:
        problems.append(f"more {[page['more'] for page in pages]}, expected [True, False, False]")
    if {page["rowCount"] for page in pages} != {3} or pages[0]["sql"] != whole["sql"]:
        problems.append("a page changed the row count or the SQL")
    return problems


def check_keyset_paging(port):
    """Pages that follow "next" give the whole list in order; a cursor is good for its own list
    (item and match) only, and an edited one is refused."""
    problems = []
    for body in ({"field": "cfree2"}, {"field": "cdefine3"}, {"field": "cdefine3", "match": "区"}):
        whole = post(port, "/api/ref" if body["field"].startswith("cdefine") else "/api/free-ref",
                     body)[1]["rows"]
        path = "/api/ref" if body["field"].startswith("cdefine") else "/api/free-ref"
        for size in (1, 2, 3):
            rows, after = [], None
            for _ in range(10):
                answer = post(port, path, {**body, "limit": size, "after": after})[1]
                rows += answer["rows"]
                if (answer["next"] is None) == answer["more"]:
                    problems.append(f"next {answer['next']!r} with more {answer['more']}")
                after = answer["next"]
                if after is None:
                    break
            if rows != whole:
                problems.append(f"{body} by {size}: pages give {rows}, expected {whole}")
    cursor = post(port, "/api/ref", {"field": "cdefine3", "limit": 1})[1]["next"]
    decoded = json.loads(base64.urlsafe_b64decode(cursor + "=" * (-len(cursor) % 4)))
    edited = dict(decoded, k=["华北区", "HB"])
    tampered = base64.urlsafe_b64encode(json.dumps(edited).encode()).decode().rstrip("=")
    for body in ({"field": "cdefine3", "match": "华"}, {"field": "cdefine6"},
                 {"field": "cdefine3", "after": tampered}):
        status, answer = post(port, "/api/ref", {"after": cursor, "limit": 1, **body})
        if status != 400 or answer["error"]["message"] != NOT_OURS:
            problems.append(f"{body}: {status} {answer}")
    status, answer = post(port, "/api/free-ref", {"field": "cfree2", "after": cursor})
    if status != 400 or answer["error"]["message"] != NOT_OURS:
        problems.append(f"a ref cursor for free-ref: {status} {answer}")
    return problems


def check_concurrent_archiving(port, db):
    """Two clients archiving the same new value at once leave exactly one row."""
    problems = []
    for attempt in range(5):
        value = f"并发新值{attempt}"
        barrier = threading.Barrier(2)
        codes = []

        def archive():
            barrier.wait()
            codes.append(post(port, "/api/validate",
                              {"field": "cdefine1", "value": value, "build": True})[1]["code"])

        clients = [threading.Thread(target=archive) for _ in range(2)]
        for client in clients:
            client.start()
        for client in clients:
            client.join()
        rows = query(db, "select count(*) from UserDefine where cID = 'H01' and cValue = ?", value)
        if rows != [(1,)] or not set(codes) <= {0, 1} or 1 not in codes:
            problems.append(f"{value}: rows {rows}, codes {codes}")
    return problems


def check_database_failure(port, db):
    """A database failure is a 503 carrying the database's message, not a refusal."""
    query(db, "drop table UserDef")
    status, answer = post(port, "/api/validate", {"field": "cdefine3", "value": "HD"})
    return check_answer(status, answer, 503,
                        {"command": "validate", "error.kind": "database", "code": -1})


def check_guard(port, headers, body, status, message):
    got, _, text = exchange(port, "POST", "/api/validate", body, headers)
    answer = json.loads(text)
    if message is None:
        return check_answer(got, answer, status, {"code": 0})
    return check_answer(got, answer, status, {"command": None, "error.kind": "usage",
                                              "error.message": message.format(port=port)})


def check_security_headers(port, method, path, headers, status):
    got, answered, _ = exchange(port, method, path, {"field": "cdefine3"}, headers)
    problems = [] if got == status else [f"status {got}, expected {status}"]
    return problems + [f"{key}: {answered.get(key)!r}" for key, value in SECURITY_HEADERS.items()
                       if answered.get(key) != value]


def raw_request(port, path, body, extra=""):
    data = json.dumps(body, ensure_ascii=False).encode("utf-8")
    return (f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
            f"Authorization: {bearer(port)}\r\n"
            f"Content-Type: application/json\r\nContent-Length: {len(data)}\r\n{extra}\r\n"
            ).encode("ascii") + data


def read_answer(sock, pending):
    """The next answer on `sock` after the bytes `pending`: (status, JSON body, the rest)."""
    while b"\r\n\r\n" not in pending:
        chunk = sock.recv(65536)
        if not chunk:
            raise ConnectionError(f"closed after {pending!r}")
        pending += chunk
    head, pending = pending.split(b"\r\n\r\n", 1)
    lines = head.decode("latin-1").split("\r\n")
    length = next(int(line.split(":")[1]) for line in lines
                  if line.lower().startswith("content-length:"))
    while len(pending) < length:
        chunk = sock.recv(65536)
        if not chunk:
            raise ConnectionError("closed within a body")
        pending += chunk
    return int(lines[0].split()[1]), json.loads(pending[:length]), pending[length:]


class SlowClients:
    """Clients that send a request head one byte at a time, a byte every 0.3 s, starting again on
    a new connection whenever the server cuts one off; they stop with the block."""

    def __init__(self, port, count):
        self.port, self.stop, self.cut = port, threading.Event(), 0
        self.threads = [threading.Thread(target=self.run) for _ in range(count)]

    def run(self):
        head = f"POST /api/ref HTTP/1.1\r\nHost: 127.0.0.1:{self.port}\r\n".encode() * 100
        while not self.stop.is_set():
            with socket.create_connection(("127.0.0.1", self.port), timeout=10) as sock:
                try:
                    for byte in head:
                        sock.sendall(bytes([byte]))
                        if self.stop.wait(0.3):
                            return
                except OSError:
                    self.cut += 1

    def __enter__(self):
        for thread in self.threads:
            thread.start()
        return self

    def __exit__(self, *_):
        self.stop.set()
        for thread in self.threads:
            thread.join()


def check_slow_header_cut_off(port):
    """A client sending its head a byte at a time is answered 408 at the deadline and cut off."""
    with socket.create_connection(("127.0.0.1", port), timeout=0.3) as sock:
        received = b""
        for byte in f"POST /api/ref HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n".encode() * 4:
            try:
                sock.sendall(bytes([byte]))
                received += sock.recv(65536)
                break
            except socket.timeout:
                continue
            except OSError:
                break
        sock.settimeout(10)
        status, answer, rest = read_answer(sock, received)
        closed = sock.recv(1) == b"" and rest == b""
    problems = [] if closed else ["the connection stayed open"]
    return problems + check_answer(status, answer, 408, {
        "command": None, "error.message": "the request did not arrive whole within 3 s"})


def check_served_while_held(port):
    """Idle connections and slow clients, more than the worker threads, do not keep an ordinary
    request from its answer."""
    idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(12)]
    try:
        with SlowClients(port, 4):
            time.sleep(0.5)
            with socket.create_connection(("127.0.0.1", port), timeout=15) as sock:
                sock.sendall(raw_request(port, "/api/validate", VALIDATE))
                status, answer, _ = read_answer(sock, b"")
        return check_answer(status, answer, 200, {"code": 0, "value": "华东区"})
    finally:
        for sock in idle:
            sock.close()


def check_idle_closed_first(port, bound):
    """At the connection bound, a new client is served and the longest-idle connection closed."""
    idle = []
    try:
        for _ in range(bound):
            idle.append(socket.create_connection(("127.0.0.1", port)))
            time.sleep(0.01)
        status, answer = post(port, "/api/validate", VALIDATE)
        problems = check_answer(status, answer, 200, {"code": 0})
        idle[0].settimeout(10)
        if idle[0].recv(1) != b"":
            problems.append("the longest-idle connection was not closed")
        for sock in idle[1:]:
            sock.setblocking(False)
            try:
                problems.append(f"another idle connection was closed: {sock.recv(1)!r}")
            except BlockingIOError:
                pass
        return problems
    finally:
        for sock in idle:
            sock.close()


def check_pipelined(port):
    """Requests sent together on one connection are all answered, in order; the last asks to
    close, and the connection closes after its answer."""
    requests = [("/api/validate", {"field": "cdefine3", "value": "HD"}),
                ("/api/validate-free", {"field": "cfree2", "value": "特大"}),
                ("/api/ref", {"field": "cdefine3", "match": "HN"}),
                ("/api/validate", {"field": "cdefine3", "value": "HB"})]
    sent = b"".join(raw_request(port, path, body, "Connection: close\r\n" if i == 3 else "")
                    for i, (path, body) in enumerate(requests))
    answers, pending = [], b""
    with socket.create_connection(("127.0.0.1", port), timeout=15) as sock:
        sock.sendall(sent)
        for _ in requests:
            status, answer, pending = read_answer(sock, pending)
            answers.append((status, answer.get("value") or answer.get("rows")))
        closed = pending == b"" and sock.recv(1) == b""
    expected = [(200, "华东区"), (200, "XL"), (200, [["华南区", "HN"]]), (200, "华北区")]
    return ([] if answers == expected else [f"answers {answers}, expected {expected}"]) + (
        [] if closed else ["the connection stayed open"])


def check_start_failure(folder):
    """A database the server cannot use stops it at start-up, with the command's JSON error."""
    run = subprocess.run([VELLOC, "--db", str(folder / "missing.db"), "--json", "serve",
                          "--port", "0"], capture_output=True, text=True, check=False, timeout=30)
    problems = [] if run.returncode == 1 else [f"exit status {run.returncode}, expected 1"]
    answer = json.loads(run.stdout)
    expected = {"command": "serve", "database": None, "error": {
        "kind": "failure", "operation": None, "message":
        f"database file not found: {folder / 'missing.db'} "
        f"(create the demo with: velloc demo --db {folder / 'missing.db'}, "
        f"or an empty ERP database with: velloc init --db {folder / 'missing.db'})"}}
    return problems + ([] if answer == expected else [f"answered {answer!r}"])


def main():
    results = Results()
    with tempfile.TemporaryDirectory(prefix="velloc-serve-") as folder:
        db = pathlib.Path(folder) / "erp.db"
        results.check("start-up on a missing database", check_start_failure(pathlib.Path(folder)))
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        stopped = []
        with server(db, stopped, "--allowed-host", "velloc.test") as port:
            _, _, text = exchange(port, "GET", "/api/openapi.json", "", {})
            document = json.loads(text)
            for path, body, status, expected in CASES:
                shown = body if isinstance(body, str) else json.dumps(body, ensure_ascii=False)
                results.check(f"POST {path} {shown[:80]}",
                              check_answer(*post(port, path, body), status, expected))
            for path, body, args in SAME_AS_COMMAND:
                run = subprocess.run([VELLOC, "--db", str(db), "--json", *args],
                                     capture_output=True, text=True, check=False)
                answer = post(port, path, body)[1]
                results.check(f"POST {path} as velloc {' '.join(args)}",
                              [] if answer == json.loads(run.stdout)
                              else [f"{answer!r} != {run.stdout!r}"])
            for headers, body, status, message in GUARD_CASES:
                results.check(f"guard {headers}", check_guard(port, headers, body, status, message))
            for method, path, headers, status in SECURED:
                results.check(f"security headers of {method} {path} {headers}",
                              check_security_headers(port, method, path, headers, status))
            for method, path, status, allowed in METHODS:
                results.check(f"{method} {path}", check_method(port, method, path, status, allowed))
            results.check("paging", check_paging(port))
            results.check("keyset paging", check_keyset_paging(port))
            results.check("concurrent archiving", check_concurrent_archiving(port, db))
            results.check("database failure", check_database_failure(port, db))
            problem = "no such table: UserDef"
            status, answer = post(port, "/api/validate", {"field": "cdefine3", "value": "HD"})
            results.check("database message", [] if problem in answer["error"]["message"]
                          else [f"{answer['error']['message']!r} does not name {problem!r}"])
            results.check("answers against the OpenAPI document", against_document(document))
        # Few workers, a short deadline and a low bound, so that held connections would show;
        # a database of its own, as the first lost a table.
        held = pathlib.Path(folder) / "held.db"
        subprocess.run([VELLOC, "--db", str(held), "demo"], check=True, capture_output=True)
        with server(held, stopped, "--threads", "2", "--timeout", "3",
                    "--max-connections", "20") as port:
            results.check("a slow head is cut off at the deadline", check_slow_header_cut_off(port))
            results.check("served while slow and idle clients hold connections",
                          check_served_while_held(port))
            results.check("idle connections closed first at the bound",
                          check_idle_closed_first(port, 20))
            results.check("pipelined requests answered in order", check_pipelined(port))
            results.check("answers against the OpenAPI document, held server",
                          against_document(document))
        results.check("stopping on SIGTERM", stopped)
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
