#!/usr/bin/python3
"""velloc --json against the JSON Schemas in cli/schemas: every command, its answers, refusals,
usage errors and failures, each with its exit status. Prints 'N passed, N failed'.

Usage: json_schemas_test.py VELLOC SCHEMA-DIR
"""
import json
import pathlib
import subprocess
import sys
import tempfile

import jsonschema

VELLOC, SCHEMAS = str(pathlib.Path(sys.argv[1]).resolve()), pathlib.Path(sys.argv[2])

# (arguments, exit status, what the answer must say: key -> value)
CASES = [
    (["demo"], 0, {"created": True, "database": "velloc-demo.db"}),
    (["--db", "other.db", "demo"], 0, {"database": "other.db"}),
    (["--db", "other.db", "demo"], 1, {"error.kind": "failure"}),
    (["--db", "empty.db", "init"], 0, {"created": True, "database": "empty.db"}),
    (["--db", "empty.db", "init"], 1, {"error.kind": "failure"}),
    (["ref", "cdefine3", "--match", "华"], 0, {"ok": True, "shown": 3, "more": False}),
    (["ref", "cdefine3", "--limit", "1"], 0, {"shown": 1, "more": True}),
    (["ref", "cdefine3", "--limit", "1", "--count"], 0, {"rowCount": 4, "shown": 1, "more": True}),
    (["--user", "clerk01", "ref", "cdefine1", "--source", "archive", "--table", "vendor",
      "--field", "cVenName"], 0, {"ok": False, "sql": None, "rows": []}),
    (["ref", "cdefine1", "--source", "archive", "--table", "customer", "--field", "cCusName"], 0,
     {"ok": True}),
    (["ref", "cdefine99"], 2, {"error.kind": "usage"}),
    (["ref", "cdefine1", "--source", "archive"], 2, {"error.kind": "usage"}),
    (["ref", "cdefine1", "--source", "archive", "--table", "nosuch"], 2, {"error.kind": "usage"}),
    (["free-ref", "cfree1", "--inventory", "01001"], 0, {"ok": True, "columnWidth": "3000"}),
    (["free-ref", "cfree2"], 0, {"ok": True}),
    (["free-ref", "cfree"], 2, {"error.kind": "usage"}),
    (["validate", "cdefine3", "HD"], 0, {"code": 0, "value": "华东区", "replaced": True}),
    (["validate", "cdefine3", "nowhere"], 0, {"code": -1, "meaning": "refused"}),
    (["validate", "cdefine4", "12.5", "--build"], 0, {"code": -2}),
    (["validate-free", "cfree2", "特大"], 0, {"code": 0, "value": "XL"}),
    (["validate-free", "cfree1", "x", "--section"], 2, {"error.kind": "usage"}),
    (["nothing"], 2, {"command": None, "error.kind": "usage"}),
    (["--db", "", "ref", "cdefine3"], 2, {"error.kind": "usage"}),
    (["--db", "missing.db", "validate", "cdefine3", "HD"], 1, {"error.kind": "failure"}),
    (["--conn", "garbage", "ref", "cdefine3"], 1, {"error.kind": "failure"}),
]


def load_schemas():
    store = {}
    for path in SCHEMAS.glob("*.schema.json"):
        schema = json.loads(path.read_text(encoding="utf-8"))
        store[schema["$id"]] = schema
    return store


def lookup(answer, dotted):
    for key in dotted.split("."):
        answer = answer[key]
    return answer


def main():
    store = load_schemas()
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="velloc-json-") as folder:
        for args, status, expected in CASES:
            run = subprocess.run([VELLOC, "--json", *args], cwd=folder, capture_output=True,
                                 text=True, check=False)
            problems = []
            if run.returncode != status:
                problems.append(f"exit status {run.returncode}, expected {status}")
            try:
                answer = json.loads(run.stdout)
                name = answer["command"] or "error"
                schema = store[f"{name}.schema.json"]
                resolver = jsonschema.RefResolver.from_schema(schema, store=store)
                jsonschema.Draft202012Validator(schema, resolver=resolver).validate(answer)
                for key, value in expected.items():
                    if lookup(answer, key) != value:
                        problems.append(f"{key} is {lookup(answer, key)!r}, expected {value!r}")
            except (ValueError, KeyError, jsonschema.ValidationError) as error:
                problems.append(f"{type(error).__name__}: {error}".splitlines()[0])
            if problems:
                failed += 1
                print(f"FAILED velloc --json {' '.join(args)}: {'; '.join(problems)}\n"
                      f"  stdout: {run.stdout!r}\n  stderr: {run.stderr!r}")
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
