#!/usr/bin/python3
"""Recently chosen values in velloc serve: what /api/validate and /api/validate-free accept or
archive is answered by /api/recent to the same person for the same item, most recent first, at
most 10, and never to anyone else (two people whose names differ only by letter case, under the
same ERP user id). Prints 'N passed, N failed'.

Usage: recent_test.py VELLOC
"""
import http.client
import json
import pathlib
import subprocess
import sys
import tempfile

from serve_kit import serving

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
PEOPLE = {"wang": "wang-s3cret", "Wang": "other-s3cret"}
REGION = {"field": "cdefine3"}
CUSTOMER = {"field": "cdefine1", "source": "archive", "table": "customer", "column": "cCusName"}
COLOUR = {"field": "cfree1", "kind": "free"}


def post(port, path, body, person=None, tokens=None):
    """(status, JSON answer)."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    headers = {"Content-Type": "application/json"}
    if person:
        headers["Authorization"] = f"Bearer {tokens[person]}"
    try:
        connection.request("POST", path, json.dumps(body, ensure_ascii=False).encode(), headers)
        response = connection.getresponse()
        return response.status, json.loads(response.read().decode("utf-8"))
    finally:
        connection.close()


def validate(port, tokens, person, item, value, build=False):
    if item.get("kind") == "free":
        body = {"field": item["field"], "value": value, "build": build}
        return post(port, "/api/validate-free", body, person, tokens)[1]["code"]
    return post(port, "/api/validate", {**item, "value": value, "build": build}, person,
                tokens)[1]["code"]


def recent(port, tokens, person, item):
    return post(port, "/api/recent", item, person, tokens)


def check_recorded(port, tokens):
    """Values chosen by each person, then what each is answered."""
    chosen = [  # (person, item, typed, build, code the component answers)
        ("wang", REGION, "HD", False, 0),            # an alias: recorded as 华东区
        ("wang", REGION, "nowhere", False, -1),      # refused: not recorded
        ("wang", REGION, "华北区", False, 0),
        ("wang", REGION, "hd", False, 0),            # 华东区 again: moves up, not repeated
        ("Wang", REGION, "西部", True, 1),            # archived for the other person
        ("wang", COLOUR, "R", False, 0),
        ("wang", CUSTOMER, "天河", False, -1),       # not the whole name: refused
        ("wang", CUSTOMER, "北京华联商贸有限公司", False, 0),
    ]
    problems = []
    for person, item, typed, build, code in chosen:
        got = validate(port, tokens, person, item, typed, build)
        if got != code:
            problems.append(f"{person} validating {typed!r}: code {got}, expected {code}")
    answers = [  # (person, item, values)
        ("wang", REGION, ["华东区", "华北区"]),
        ("Wang", REGION, ["西部"]),
        ("wang", COLOUR, ["红"]),
        ("Wang", COLOUR, []),
        ("wang", CUSTOMER, ["北京华联商贸有限公司"]),
        ("wang", {"field": " CDEFINE3", "section": "header"}, ["华东区", "华北区"]),
        ("wang", {"field": "cdefine3", "section": "body"}, []),
        ("wang", {"field": "cdefine1", "source": "archive", "table": " CUSTOMER ",
                  "column": "ccusname"}, ["北京华联商贸有限公司"]),
    ]
    for person, item, values in answers:
        expected = (200, {"command": "recent", "database": "erp.db", "values": values})
        got = recent(port, tokens, person, item)
        if got != expected:
            problems.append(f"{person} {item}: {got}, expected {expected}")
    return problems


def check_bounded(port, tokens):
    """Twelve new values archived: the ten latest are kept, the latest first."""
    problems = []
    for i in range(1, 13):
        if validate(port, tokens, "Wang", COLOUR, f"色{i:02d}", True) != 1:
            problems.append(f"archiving 色{i:02d} failed")
    status, answer = recent(port, tokens, "Wang", COLOUR)
    expected = [f"色{i:02d}" for i in range(12, 2, -1)]
    if status != 200 or answer["values"] != expected:
        problems.append(f"after twelve: {status} {answer}")
    return problems


def check_refused(port, tokens):
    """Requests refused at the door, each with its message."""
    cases = [  # (body, status, message)
        ({"field": "cfree1", "kind": "free", "source": "list"}, 400,
         '"source" is not taken with "kind": "free"'),
        ({"field": "cdefine1", "kind": "defined"}, 400, '"kind" must be "free" or left out'),
        ({"field": "cdefine1", "match": "x"}, 400, 'unknown key "match"'),
        ({"field": "cdefine1", "source": "archive"}, 400,
         "source archive needs \"table\", the archive table (e.g. customer, person)"),
        ({"kind": "free"}, 400, 'missing "field"'),
        ({"field": 3}, 400, '"field" must be a string'),
    ]
    problems = []
    for body, status, message in cases:
        got_status, answer = recent(port, tokens, "wang", body)
        got = (got_status, answer.get("error", {}).get("message"))
        if got != (status, message):
            problems.append(f"{body}: {got}, expected {(status, message)}")
    status, _ = post(port, "/api/recent", REGION)
    if status != 401:
        problems.append(f"nobody signed in: {status}")
    return problems


def main():
    failed = passed = 0
    with tempfile.TemporaryDirectory(prefix="velloc-recent-") as folder:
        folder = pathlib.Path(folder)
        db, people = folder / "erp.db", folder / "people.json"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        tokens = {}
        for name, password in PEOPLE.items():
            subprocess.run([VELLOC, "user", "--users", str(people), "add", name, "--erp-user",
                            "demo"], input=password + "\n", text=True, check=True,
                           capture_output=True)
            tokens[name] = subprocess.run(
                [VELLOC, "user", "--users", str(people), "token", name], capture_output=True,
                text=True, check=True).stdout.strip()
        # The database named relative to the server's working folder.
        with serving(VELLOC, ["--db", "erp.db"], serve_options=["--users", str(people)],
                     cwd=folder) as (port, _):
            checks = [("recorded per person and item", check_recorded(port, tokens)),
                      ("ten kept", check_bounded(port, tokens)),
                      ("refused at the door", check_refused(port, tokens))]
    for name, problems in checks:
        for problem in problems:
            print(f"FAIL {name}: {problem}")
        failed += bool(problems)
        passed += not problems
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
