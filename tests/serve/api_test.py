#!/usr/bin/python3
"""velloc serve's JSON API over loopback: every endpoint with its answers and each bad input,
checked against the schemas in cli/schemas, then paging, two clients archiving the same new value
at once, and a database failure. Prints 'N passed, N failed'.

Usage: api_test.py VELLOC SCHEMA-DIR
"""
import contextlib
import http.client
import json
import pathlib
import sqlite3
import subprocess
import sys
import tempfile
import threading

import jsonschema

VELLOC, SCHEMAS = str(pathlib.Path(sys.argv[1]).resolve()), pathlib.Path(sys.argv[2])
BIG = "x" * (64 * 1024)

# (path, body: a dict sent as JSON or a raw text, status, what the answer must say)
CASES = [
    ("/api/ref", {"field": "cdefine3", "match": "华"}, 200,
     {"ok": True, "columns": ["档案值", "别名"], "rowCount": 3, "shown": 3,
      "rows": [["华北区", "HB"], ["华东区", "HD"], ["华南区", "HN"]]}),
    ("/api/ref", {"field": " CDEFINE3 ", "match": "HD"}, 200, {"rows": [["华东区", "HD"]]}),
    ("/api/ref", {"field": "cdefine22", "section": "body"}, 200,
     {"rows": [["蓝色", "B"], ["红色", "R"]]}),
    ("/api/ref", {"field": "cdefine1", "source": "archive", "table": "customer ",
                  "column": "cCusName", "match": "北京"}, 200,
     {"ok": True, "columns": ["客户编码", "客户名称", "信用额度"], "rowCount": 1}),
    ("/api/free-ref", {"field": "cfree1", "inventory": "01001"}, 200,
     {"ok": True, "columnWidth": "3000", "columns": ["自由项1"], "rows": [["白"], ["蓝"]]}),
    ("/api/free-ref", {"field": "cfree2", "match": "L"}, 200, {"ok": True, "rowCount": 2}),
    ("/api/validate", {"field": "cdefine3", "value": "HD"}, 200,
     {"code": 0, "meaning": "accepted", "typed": "HD", "value": "华东区", "replaced": True}),
    ("/api/validate", {"field": "cdefine3", "value": "nowhere"}, 200,
     {"code": -1, "value": "nowhere", "replaced": False}),
    ("/api/validate", {"field": "cdefine4", "value": "12.5", "build": True}, 200, {"code": -2}),
    ("/api/validate-free", {"field": "cfree2", "value": "特大"}, 200,
     {"code": 0, "value": "XL", "replaced": True}),
    ("/api/validate-free", {"field": "cfree1", "value": "紫"}, 200, {"code": -1}),
    # bad input
    ("/api/ref", {"field": "cdefine99"}, 400,
     {"command": "ref", "error.kind": "usage", "error.message":
      "unknown user-defined item field 'cdefine99' (header items are cdefine1..cdefine16, "
      "body items cdefine22..cdefine37)"}),
    ("/api/free-ref", {"field": "cfree11"}, 400,
     {"error.message": "unknown free item field 'cfree11' (free items are cfree1..cfree10)"}),
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
    ("/api/ref", {"field": "cdefine3", "limit": 0}, 400,
     {"error.message": '"limit" must be a whole number from 1 to 1000'}),
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
]

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


def post(port, path, body):
    text = body if isinstance(body, str) else json.dumps(body, ensure_ascii=False)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("POST", path, text.encode("utf-8"),
                           {"Content-Type": "application/json"})
        response = connection.getresponse()
        return response.status, json.loads(response.read().decode("utf-8"))
    finally:
        connection.close()


@contextlib.contextmanager
def server(db, stopped):
    """A running velloc serve; on leaving, `stopped` gets the problems of stopping it with
    SIGTERM: it must end by itself, with status 0 and nothing on stderr (a sanitizer's report
    included)."""
    process = subprocess.Popen([VELLOC, "--db", str(db), "serve", "--port", "0"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        line = process.stdout.readline()
        if "listening on http://127.0.0.1:" not in line:
            raise RuntimeError(f"velloc serve did not start: {line!r} {process.stderr.read()!r}")
        yield int(line.split("127.0.0.1:")[1].split("/")[0])
        process.terminate()
        _, errors = process.communicate(timeout=30)
        if process.returncode != 0 or errors:
            stopped.append(f"status {process.returncode} on SIGTERM, stderr {errors!r}")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


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
    pages = [post(port, "/api/free-ref", {"field": "cfree2", "limit": 2, "offset": offset})[1]
             for offset in (0, 2, 4)]
    problems = []
    if [len(page["rows"]) for page in pages] != [2, 1, 0]:
        problems.append(f"page sizes {[len(page['rows']) for page in pages]}, expected [2, 1, 0]")
    if sum((page["rows"] for page in pages), []) != whole["rows"]:
        problems.append(f"pages {pages} do not make {whole['rows']}")
    if {page["rowCount"] for page in pages} != {3} or pages[0]["sql"] != whole["sql"]:
        problems.append("a page changed the row count or the SQL")
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


def check_start_failure(folder):
    """A database the server cannot use stops it at start-up, with the command's JSON error."""
    run = subprocess.run([VELLOC, "--db", str(folder / "missing.db"), "--json", "serve",
                          "--port", "0"], capture_output=True, text=True, check=False, timeout=30)
    problems = [] if run.returncode == 1 else [f"exit status {run.returncode}, expected 1"]
    answer = json.loads(run.stdout)
    expected = {"command": "serve", "database": None, "error": {
        "kind": "failure", "operation": None, "message":
        f"database file not found: {folder / 'missing.db'} "
        f"(create one with: velloc demo --db {folder / 'missing.db'})"}}
    return problems + ([] if answer == expected else [f"answered {answer!r}"])


def main():
    results = Results()
    with tempfile.TemporaryDirectory(prefix="velloc-serve-") as folder:
        db = pathlib.Path(folder) / "erp.db"
        results.check("start-up on a missing database", check_start_failure(pathlib.Path(folder)))
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        stopped = []
        with server(db, stopped) as port:
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
            results.check("paging", check_paging(port))
            results.check("concurrent archiving", check_concurrent_archiving(port, db))
            results.check("database failure", check_database_failure(port, db))
            problem = "no such table: UserDef"
            status, answer = post(port, "/api/validate", {"field": "cdefine3", "value": "HD"})
            results.check("database message", [] if problem in answer["error"]["message"]
                          else [f"{answer['error']['message']!r} does not name {problem!r}"])
        results.check("stopping on SIGTERM", stopped)
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
