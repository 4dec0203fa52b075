#!/usr/bin/python3
"""velloc against a database that fails: a read-only file, a lock held past the busy timeout, a
full disk, corrupt pages and missing tables. Each fault must give exit status 1 and a message
naming the database's failure, in text and in JSON, and lose nothing; the same call on the
healthy database gives its code with exit status 0. Read-only and full-disk cases run on a small
tmpfs (they need root; without it they are skipped). Prints 'N passed, N failed, N skipped'.

Usage: database_faults_test.py VELLOC
"""
import contextlib
import json
import pathlib
import sqlite3
import subprocess
import sys
import tempfile

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
ARCHIVE_NEW = ["validate", "cdefine1", "新项目甲", "--build"]
READ_ALIAS = ["validate", "cdefine3", "HD"]


def erp_ci(a, b):
    a, b = a.rstrip(" ").lower(), b.rstrip(" ").lower()
    return (a > b) - (a < b)


def connect(db):
    connection = sqlite3.connect(db, timeout=0, isolation_level=None)
    connection.create_collation("ERP_CI", erp_ci)
    return connection


def archived_values(db):
    with contextlib.closing(connect(db)) as connection:
        return sorted(connection.execute("select cID, cValue from UserDefine").fetchall())


def velloc(db, args, as_json):
    options = ["--db", str(db)] + (["--json"] if as_json else [])
    return subprocess.run([VELLOC, *options, *args], capture_output=True, text=True, check=False,
                          cwd=db.parent)


def make_demo(db):
    run = subprocess.run([VELLOC, "--db", str(db), "demo", "--replace"], capture_output=True,
                         text=True, check=False)
    if run.returncode != 0:
        raise RuntimeError(f"velloc demo failed: {run.stderr}")


@contextlib.contextmanager
def tmpfs(folder, size):
    mount = folder / "tmpfs"
    mount.mkdir()
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(mount)], check=True,
                   capture_output=True)
    try:
        yield mount
    finally:
        subprocess.run(["umount", "-l", str(mount)], check=False, capture_output=True)


@contextlib.contextmanager
def held_lock(db, statement):
    connection = connect(db)
    connection.execute(statement)
    try:
        yield
    finally:
        connection.execute("rollback")
        connection.close()


def drop_table(table):
    def fault(db):
        with contextlib.closing(connect(db)) as connection:
            connection.execute(f"drop table {table}")
        return contextlib.nullcontext()
    return fault


def corrupt_table(table):
    """Overwrites every page of the table and its indexes."""
    def fault(db):
        with contextlib.closing(connect(db)) as connection:
            size = connection.execute("pragma page_size").fetchone()[0]
            pages = [row[0] for row in connection.execute(
                "select rootpage from sqlite_master where tbl_name = ? and rootpage > 0", (table,))]
        with open(db, "r+b") as file:
            for page in pages:
                file.seek((page - 1) * size)
                file.write(b"\xa5" * size)
        return contextlib.nullcontext()
    return fault


def lock(statement):
    return lambda db: held_lock(db, statement)


def read_only(db):
    subprocess.run(["mount", "-o", "remount,ro", str(db.parent)], check=True, capture_output=True)
    return contextlib.nullcontext()


def disk_full(db):
    with contextlib.suppress(OSError), open(db.parent / "filler", "wb", buffering=0) as file:
        while True:
            file.write(b"\0" * 4096)
    return contextlib.nullcontext()


# (name, the call, what the message must contain, the fault, a tmpfs size or None)
CASES = [
    ("missing UserDef table", READ_ALIAS, "no such table: UserDef", drop_table("UserDef"), None),
    ("missing column-layout table", ["ref", "cdefine3"], "no such table: TarnColumnLayout",
     drop_table("TarnColumnLayout"), None),
    ("missing Inventory table", ["free-ref", "cfree1", "--inventory", "01001"],
     "no such table: Inventory", drop_table("Inventory"), None),
    ("corrupt UserDefine pages", READ_ALIAS, "malformed", corrupt_table("UserDefine"), None),
    ("lock held while archiving", ARCHIVE_NEW, "locked", lock("begin immediate"), None),
    ("lock held while reading", READ_ALIAS, "locked", lock("begin exclusive"), None),
    ("read-only file", ARCHIVE_NEW, "readonly", read_only, "4m"),
    ("full disk", ARCHIVE_NEW, "full", disk_full, "2m"),
]


def check_case(folder, name, args, expected, fault, size):
    """Returns the problems found; raises PermissionError when the case cannot run here."""
    problems = []
    with contextlib.ExitStack() as mounted:
        home = folder
        if size:
            try:
                home = mounted.enter_context(tmpfs(folder, size))
            except subprocess.CalledProcessError as error:
                raise PermissionError(error.stderr.decode().strip()) from error
        db = home / "erp.db"
        make_demo(db)
        healthy = velloc(db, args, as_json=True)
        if healthy.returncode != 0:
            problems.append(f"healthy call: exit {healthy.returncode}: {healthy.stdout}")
        make_demo(db)
        before = archived_values(db)
        with fault(db):
            for as_json in (False, True):
                problems += check_failure(velloc(db, args, as_json), as_json, expected)
        if fault is read_only:
            subprocess.run(["mount", "-o", "remount,rw", str(home)], check=True)
        destructive = name.startswith(("missing", "corrupt"))
        if not destructive and archived_values(db) != before:
            problems.append("the archived values changed")
    return problems


def check_failure(run, as_json, expected):
    where = "json" if as_json else "text"
    problems = [] if run.returncode == 1 else [f"{where}: exit {run.returncode}, expected 1"]
    if as_json:
        error = json.loads(run.stdout).get("error") or {}
        if error.get("kind") != "database" or expected not in error.get("message", ""):
            problems.append(f"json: error {error!r} does not name '{expected}'")
    elif "the database failed" not in run.stderr or expected not in run.stderr:
        problems.append(f"text: stderr {run.stderr!r} does not name '{expected}'")
    return problems


def main():
    passed = failed = skipped = 0
    with tempfile.TemporaryDirectory(prefix="velloc-faults-") as root:
        for index, (name, args, expected, fault, size) in enumerate(CASES):
            folder = pathlib.Path(root) / str(index)
            folder.mkdir()
            try:
                problems = check_case(folder, name, args, expected, fault, size)
            except PermissionError as error:
                skipped += 1
                print(f"SKIPPED {name}: cannot mount a tmpfs here ({error})")
                continue
            if problems:
                failed += 1
                print(f"FAILED {name}: " + "; ".join(problems))
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
