#!/usr/bin/python3
"""Crafted names at both doors: the archive table, the column compared and the voucher card are
put into SQL by the component as they stand, so the command line and the server must refuse every
name the database does not hold before the component sees it. Each payload goes through every
endpoint that takes it and through the matching command options, and must be a usage error
(HTTP 400, exit status 2); afterwards the canary table and the archive are as they were.

Usage: attack_test.py VELLOC [--conn CONNECTION]
Without --conn, a demo database is made in a temporary folder; with it (a PostgreSQL database
that velloc init and demo have filled), the same runs there. Prints 'N passed, N failed'.
"""
import http.client
import json
import os
import pathlib
import subprocess
import sys
import tempfile

from serve_kit import serving

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
ENV = dict(os.environ)

# What an attacker puts where a name belongs: a subquery, a stacked statement, comments, quotes,
# brackets, PostgreSQL's dollar quoting, a Unicode literal.
PAYLOADS = [
    "(select cCusName from customer)",
    "customer; delete from department",
    "customer --",
    "customer /* */",
    "customer' or '1'='1",
    "[customer]];delete from department;--]",
    "$$; delete from department; $$",
    "N'x'",
    "cCusName = cCusName or 1=1 --",
    "ｃｕｓｔｏｍｅｒ",
    "customer\u200b",
]

# Where a payload goes: (the slot, the source keys of a request with the payload in that slot).
SLOTS = [
    ("table", lambda p: {"source": "archive", "table": p, "column": "cCusName"}),
    ("column", lambda p: {"source": "archive", "table": "customer", "column": p}),
    ("card", lambda p: {"source": "voucher", "card": p, "column": "cContractName"}),
    ("voucher column", lambda p: {"source": "voucher", "card": "CT01", "column": p}),
]

OPTION = {"source": "--source", "table": "--table", "column": "--field", "card": "--card"}


def command_args(keys):
    args = []
    for key, value in keys.items():
        args += [f"{OPTION[key]}={value}"]
    return args


class Door:
    """The two doors over one database: velloc commands, and a running velloc serve."""

    def __init__(self, database_args, port, token):
        self.database_args, self.port, self.token = database_args, port, token

    def run(self, *args):
        run = subprocess.run([VELLOC, *self.database_args, "--json", *args],
                             capture_output=True, text=True, check=False, timeout=60, env=ENV)
        return run.returncode, json.loads(run.stdout)

    def post(self, path, body):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.request("POST", path, json.dumps(body, ensure_ascii=False).encode(),
                               {"Content-Type": "application/json",
                                "Authorization": f"Bearer {self.token}"})
            response = connection.getresponse()
            return response.status, json.loads(response.read().decode("utf-8"))
        finally:
            connection.close()

    def canary(self):
        """The department table's rows and the archive's values of two items."""
        status, departments = self.run("ref", "cdefine1", "--source", "archive", "--table",
                                       "department", "--limit", "0")
        archive = [self.run("ref", field, "--limit", "0")[1]["rows"]
                   for field in ("cdefine1", "cdefine3")]
        return status, departments.get("rows"), archive


def attacks(door):
    """Every payload in every slot, through each endpoint and command; the problems found."""
    problems = []
    for payload in PAYLOADS:
        for slot, keys_of in SLOTS:
            keys = keys_of(payload)
            tries = [
                ("/api/ref", {"field": "cdefine1", "match": "x", **keys},
                 ["ref", "cdefine1", "--match", "x"]),
                ("/api/validate", {"field": "cdefine1", "value": "nowhere", "build": True, **keys},
                 ["validate", "cdefine1", "nowhere", "--build"]),
            ]
            for path, body, args in tries:
                status, answer = door.post(path, body)
                if status != 400 or answer.get("error", {}).get("kind") != "usage":
                    problems.append(f"{path} {slot}={payload!r}: {status} {answer}")
                code, answer = door.run(*args, *command_args(keys))
                if code != 2 or answer.get("error", {}).get("kind") != "usage":
                    problems.append(f"velloc {args[0]} {slot}={payload!r}: exit {code} {answer}")
    return problems


def main():
    with tempfile.TemporaryDirectory(prefix="velloc-attack-") as folder:
        if len(sys.argv) > 3 and sys.argv[2] == "--conn":
            # Through the environment, so that no password shows in the process list.
            ENV["VELLOC_CONN"] = sys.argv[3]
            database_args = []
        else:
            db = pathlib.Path(folder) / "erp.db"
            subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
            database_args = ["--db", str(db)]
        with serving(VELLOC, database_args, ENV) as (port, token):
            door = Door(database_args, port, token)
            before = door.canary()
            problems = attacks(door)
            after = door.canary()
    checks = [("every crafted name refused at both doors", problems),
              ("the canary table and the archive unchanged",
               [] if before == after and before[0] == 0 and before[1]
               else [f"before {before}, after {after}"])]
    failed = 0
    for name, found in checks:
        if found:
            failed += 1
            print(f"FAILED {name}:")
            for problem in found[:20]:
                print(f"  {problem}")
    print(f"{len(checks) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
