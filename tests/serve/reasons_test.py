#!/usr/bin/python3
"""Why a validation or a reference came out as it did, at both doors: each case goes to velloc
serve's API and to the command's --json, and both must carry the same code, reason, stored
spelling, similar values and archivable flag, each answer valid under its schema in cli/schemas. The backends differ where their comparison rules
differ (PostgreSQL also ignores width), and the table says so.

Usage: reasons_test.py VELLOC [--conn CONNECTION]
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

import jsonschema
from serve_kit import serving

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
ENV = dict(os.environ)
POSTGRES = len(sys.argv) > 3 and sys.argv[2] == "--conn"
SCHEMAS = {schema["$id"]: schema for schema in
           (json.loads(path.read_text(encoding="utf-8")) for path in
            (pathlib.Path(__file__).resolve().parents[2] / "cli" / "schemas").glob("*.schema.json"))}

MESSAGES = {
    "not_found": "The value is found nowhere: not among the item's values or aliases.",
    "not_archived": "The value is found nowhere, and the archive did not take it.",
    "not_a_number": "The item takes numbers and the value is not a number.",
    "money": "The value is compared with a money column and is not a number.",
    "not_a_whole_number": "The item takes whole numbers and the value is not a whole number.",
    "not_a_date": "The item takes dates written year-month-day and the value is not one.",
    "closed": "The item takes no new values.",
    "unknown_item": "The database defines no such item.",
    "alias": "The value is an alias, replaced by the value it stands for.",
    "archived": "The value was archived as a new value of the item.",
    "stored_spelling":
        "The value was accepted as the archive spells it, which differs from the typed one.",
    "refused": "The component refused the reference; the ERP tables say no more.",
}


def reason(code, message=None, **parameters):
    return {"code": code, "message": MESSAGES[message or code], **parameters}


def too_long(limit):
    return {"code": "too_long", "limit": limit,
            "message": f"The value is longer than the item allows ({limit} characters)."}


def no_rights(table, validation=True):
    tail = " for this value" if validation else ""
    return {"code": "no_rights", "table": table,
            "message": f"You have no rights on the table {table}{tail}."}


CUSTOMER = {"source": "archive", "table": "customer", "column": "cCusCode"}
MONEY = {"source": "archive", "table": "customer", "column": "iCreditLine"}

# (user, field, typed, request keys, code, reason, stored, similar, archivable); a tuple of two
# where the backends differ: (SQLite, PostgreSQL). "{door}" in a value becomes the door's name,
# so that each door archives a value of its own.
VALIDATIONS = [
    ("demo", "cdefine3", "华东区", {}, 0, None, None, [], True),
    ("demo", "cdefine3", "HD", {}, 0, reason("alias"), None, [], True),
    ("demo", "cdefine3", "export", {}, 0, reason("stored_spelling"), "Export", [], True),
    ("demo", "cdefine3", "ＥＸＰＯＲＴ", {},
     (-1, 0), (reason("not_found"), reason("stored_spelling")), (None, "Export"),
     (["Export"], []), True),
    ("demo", "cdefine1", "c002", CUSTOMER, 0, reason("stored_spelling"), "C002", [], True),
    ("demo", "cdefine3", "华东 区", {}, -1, reason("not_found"), None,
     ["华东区", "华北区", "华南区"], True),
    ("demo", "cdefine3", "华中区", {}, -1, reason("not_found"), None,
     ["华东区", "华北区", "华南区"], True),
    ("demo", "cdefine3", "Exprt", {"build": False}, -1, reason("not_found"), None, ["Export"],
     True),
    ("demo", "cdefine3", "新区{door}", {"build": True}, 1, reason("archived"), None, [], True),
    ("demo", "cdefine2", "abc", {"build": True}, -2, reason("not_a_number"), None, [], False),
    ("demo", "cdefine4", "12.5", {"build": True}, -2, reason("not_a_whole_number"), None, [],
     False),
    ("demo", "cdefine5", "2024/05/01", {"build": True}, -2, reason("not_a_date"), None, [], False),
    ("demo", "cdefine1", "项" * 21, {"build": True}, -2, too_long(20), None, [], False),
    ("demo", "cdefine6", "x", {"build": True}, -2, reason("closed"), None, [], False),
    ("demo", "cdefine7", "x", {"build": True}, -2, reason("unknown_item"), None, [], False),
    ("demo", "cdefine7", "x", {}, -1, reason("unknown_item"), None, [], False),
    ("demo", "cdefine1", "abc", {**MONEY, "build": True}, -1, reason("not_a_number", "money"),
     None, [], False),
    ("demo", "cdefine1", "1e999", MONEY, -1, reason("not_found"), None, [], True),
    ("clerk01", "cdefine1", "200000", MONEY, -1, no_rights("customer"), None, [], True),
    ("clerk01", "cdefine1", "C002", CUSTOMER, -1, no_rights("customer"), None, [], True),
    ("clerk01", "cdefine1", "C999", CUSTOMER, -1, reason("not_found"), None, [], True),
    # No grant on vendor: the component accepts unlooked, and no row's spelling is told.
    ("clerk01", "cdefine1", "v001", {"source": "archive", "table": "vendor", "column": "cVenCode"},
     0, None, None, [], True),
    ("demo", "cdefine1", "v001", {"source": "archive", "table": "vendor", "column": "cVenCode"},
     0, reason("stored_spelling"), "V001", [], True),
]

# (field, typed, build, code, reason, stored, similar, archivable)
FREE_VALIDATIONS = [
    ("cfree2", "特大", False, 0, reason("alias"), None, [], True),
    ("cfree2", "m", False, 0, reason("stored_spelling"), "M", [], True),
    ("cfree2", "M ", False, 0, reason("stored_spelling"), "M", [], True),
    ("cfree2", "XXL", False, -1, reason("not_found"), None, ["XL"], True),
    ("cfree2", "X" * 21, True, -2, too_long(20), None, [], False),
    ("cfree9", "x", True, -2, reason("unknown_item"), None, [], False),
]

# (user, command, field, request keys, ok, reason)
REFERENCES = [
    ("clerk01", "ref", "cdefine1", {"source": "archive", "table": "vendor"}, False,
     no_rights("vendor", validation=False)),
    ("demo", "ref", "cdefine3", {}, True, None),
    ("demo", "free-ref", "cfree1", {"inventory": "09999"}, True,
     {"code": "unknown_inventory", "inventory": "09999",
      "message": "No inventory has the code 09999."}),
    ("demo", "free-ref", "cfree11", {"inventory": "01001"}, False, reason("unknown_item")),
    ("demo", "free-ref", "cfree3 ", {"inventory": "02001"}, False, reason("refused")),
]

# The command's text: (arguments, what it prints after its Database line).
TEXTS = [
    (["validate", "cdefine3", "export"],
     "Result   0  accepted\nValue    export\nReason   " + MESSAGES["stored_spelling"] +
     " (stored_spelling)\nStored   Export\n"),
    (["validate", "cdefine3", "华东 区"],
     "Result   -1  refused\nValue    华东 区\nReason   " + MESSAGES["not_found"] +
     " (not_found)\nSimilar  华东区, 华北区, 华南区\n"),
    (["free-ref", "cfree11", "--inventory", "01001"],
     "The component refused the reference (result False).\nReason   " +
     MESSAGES["unknown_item"] + " (unknown_item)\n"),
]

OPTION = {"source": "--source", "table": "--table", "column": "--field", "card": "--card",
          "inventory": "--inventory"}


def on_backend(value):
    return value[1 if POSTGRES else 0] if isinstance(value, tuple) else value


class Doors:
    """The command and a running velloc serve for each ERP user, over one database."""

    def __init__(self, database_args, servers):
        self.database_args, self.servers = database_args, servers

    def api(self, user, path, body):
        port, token = self.servers[user]
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
        try:
            connection.request("POST", path, json.dumps(body, ensure_ascii=False).encode(),
                               {"Content-Type": "application/json",
                                "Authorization": f"Bearer {token}"})
            response = connection.getresponse()
            return response.status, json.loads(response.read().decode("utf-8"))
        finally:
            connection.close()

    def command(self, user, args):
        run = subprocess.run([VELLOC, *self.database_args, "--user", user, "--json", *args],
                             capture_output=True, text=True, check=False, timeout=60, env=ENV)
        return run.returncode, json.loads(run.stdout)


def options(keys):
    args = []
    for key, value in keys.items():
        if key == "build":
            args += ["--build"] if value else []
        else:
            args += [f"{OPTION[key]}={value}"]
    return args


def explained(answer):
    return {key: answer.get(key) for key in ("code", "reason", "stored", "similar", "archivable")}


def check_both(doors, user, label, path, body, args, expected, pick=explained):
    problems = []
    for door in ("api", "command"):
        if door == "api":
            sent = json.loads(json.dumps(body).replace("{door}", door))
            status, answer = doors.api(user, path, sent)
            good = status == 200
        else:
            status, answer = doors.command(user, [a.replace("{door}", door) for a in args])
            good = status == 0
        got = pick(answer)
        if not good or got != expected:
            problems.append(f"{label} ({door}): status {status}, {got}, expected {expected}")
        schema = SCHEMAS[f"{answer['command']}.schema.json"]
        try:
            jsonschema.Draft202012Validator(
                schema, resolver=jsonschema.RefResolver.from_schema(schema, store=SCHEMAS)
            ).validate(answer)
        except jsonschema.ValidationError as error:
            problems.append(f"{label} ({door}): {str(error).splitlines()[0]}")
    return problems


def main():
    problems = []
    with tempfile.TemporaryDirectory(prefix="velloc-reasons-") as folder:
        if POSTGRES:
            ENV["VELLOC_CONN"] = sys.argv[3]
            database_args = []
        else:
            db = pathlib.Path(folder) / "erp.db"
            subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
            database_args = ["--db", str(db)]
        with serving(VELLOC, [*database_args, "--user", "demo"], ENV) as demo, \
                serving(VELLOC, [*database_args, "--user", "clerk01"], ENV) as clerk:
            doors = Doors(database_args, {"demo": demo, "clerk01": clerk})
            for user, field, typed, keys, *expected in VALIDATIONS:
                code, why, stored, similar, archivable = map(on_backend, expected)
                body = {"field": field, "value": typed, **keys}
                args = ["validate", field, typed, *options(keys)]
                problems += check_both(doors, user, f"validate {field} {typed!r} {keys}",
                                       "/api/validate", body, args,
                                       {"code": code, "reason": why, "stored": stored,
                                        "similar": similar, "archivable": archivable})
            for field, typed, build, code, why, stored, similar, archivable in FREE_VALIDATIONS:
                body = {"field": field, "value": typed, "build": build}
                args = ["validate-free", field, typed, *(["--build"] if build else [])]
                problems += check_both(doors, "demo", f"validate-free {field} {typed!r}",
                                       "/api/validate-free", body, args,
                                       {"code": code, "reason": why, "stored": stored,
                                        "similar": similar, "archivable": archivable})
            for user, command, field, keys, ok, why in REFERENCES:
                body = {"field": field, **keys}
                args = [command, field, *options(keys)]
                problems += check_both(doors, user, f"{command} {field} {keys}", f"/api/{command}",
                                       body, args, {"ok": ok, "reason": why},
                                       lambda answer: {"ok": answer.get("ok"),
                                                       "reason": answer.get("reason")})
            for args, expected in TEXTS:
                run = subprocess.run([VELLOC, *database_args, *args], capture_output=True,
                                     text=True, check=False, timeout=60, env=ENV)
                printed = "".join(run.stdout.splitlines(keepends=True)[1:])
                if run.returncode != 0 or printed != expected:
                    problems.append(f"velloc {' '.join(args)} (text): {run.returncode} {printed!r}")
    cases = len(VALIDATIONS) + len(FREE_VALIDATIONS) + len(REFERENCES) + len(TEXTS)
    for problem in problems:
        print(f"FAILED {problem}")
    failed = len({problem.split(" (")[0] for problem in problems})
    print(f"{cases - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
