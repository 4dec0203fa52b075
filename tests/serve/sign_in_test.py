#!/usr/bin/python3
"""Who velloc serve acts for: single-user with its token, people signing in from a people file,
bearer tokens, a reverse proxy's header, failed sign-ins limited, and no secret in what it logs.
Prints 'N passed, N failed'.

Usage: sign_in_test.py VELLOC
"""
import http.client
import json
import pathlib
import subprocess
import sys
import tempfile
import time

import serve_kit

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
PASSWORDS = {"wang": "wang-s3cret", "zhao": "zhao-s3cret"}
# clerk01 is granted two customers; nogrant has no grant on the customer table.
ERP_USERS = {"wang": "clerk01", "zhao": "nogrant"}
CUSTOMERS = {"field": "cdefine1", "source": "archive", "table": "customer", "column": "cCusName"}


def request(port, method, path, body=None, headers=None):
    """(status, headers, JSON answer or None)."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        data = json.dumps(body, ensure_ascii=False).encode() if body is not None else None
        sent = {"Content-Type": "application/json"} if data is not None else {}
        sent.update(headers or {})
        connection.request(method, path, data, sent)
        response = connection.getresponse()
        text = response.read().decode("utf-8")
        answer = json.loads(text) if text.startswith("{") else None
        return response.status, {k.lower(): v for k, v in response.getheaders()}, answer
    finally:
        connection.close()


COOKIES = []  # every session cookie the servers gave, to look for in the log


def session_cookie(headers):
    cookie = headers.get("set-cookie", "").split(";")[0]
    COOKIES.append(cookie.split("=", 1)[-1])
    return cookie


def from_page(port, cookie):
    """The headers of a POST the server's own page sends with its cookie."""
    return {"Cookie": cookie, "Origin": f"http://127.0.0.1:{port}"}


def serving(db, log, *options):
    """A running velloc serve on `db`: (port, token or None); its stderr goes to `log`."""
    return serve_kit.serving(VELLOC, ["--db", str(db)], serve_options=options, log=log)


def customers(port, headers):
    status, _, answer = request(port, "POST", "/api/ref", CUSTOMERS, headers)
    return status, answer.get("shown") if answer else None


def check_single_user(db, log):
    problems = []
    with serving(db, log) as (port, token):
        cases = [  # (what, headers, expected status)
            ("no credential", {}, 401),
            ("a wrong token", {"Authorization": "Bearer " + "x" * 43}, 401),
            ("a token in another scheme", {"Authorization": f"Basic {token}"}, 401),
            ("the token", {"Authorization": f"Bearer {token}"}, 200),
        ]
        for what, headers, expected in cases:
            status, _ = customers(port, headers)
            if status != expected:
                problems.append(f"{what}: {status}, expected {expected}")
        status, headers, _ = request(port, "GET", f"/?token={token}")
        cookie = headers.get("set-cookie", "")
        if status != 303 or headers.get("location") != "/" or not cookie.endswith(
                "; Path=/; HttpOnly; SameSite=Strict"):
            problems.append(f"landing: {status} {headers}")
        cookie = session_cookie(headers)
        if customers(port, from_page(port, cookie)) != (200, 4):
            problems.append("the landing's cookie does not serve")
        if customers(port, {"Cookie": cookie})[0] != 401:
            problems.append("a cookie on a POST that names no origin serves")
        status, headers, _ = request(port, "GET", "/?token=wrong")
        if status != 200 or "set-cookie" in headers:
            problems.append(f"a wrong token's landing: {status} {headers}")
    run = subprocess.run([VELLOC, "--db", str(db), "serve", "--bind", "0.0.0.0", "--port", "0"],
                         capture_output=True, text=True, timeout=30, check=False)
    if run.returncode != 2 or "single-user and listens on loopback only" not in run.stderr:
        problems.append(f"--bind 0.0.0.0 alone: exit {run.returncode} {run.stderr!r}")
    return problems


def sign_in(port, name, password):
    return request(port, "POST", "/api/sign-in", {"name": name, "password": password})


def check_people(db, people, log, token):
    problems = []
    with serving(db, log, "--users", str(people)) as (port, printed):
        if printed is not None:
            problems.append("a server with people printed a token")
        seen = {}
        for name, password in PASSWORDS.items():
            status, headers, answer = sign_in(port, name, password)
            if status != 200 or answer["erpUser"] != ERP_USERS[name]:
                problems.append(f"sign-in of {name}: {status} {answer}")
            seen[name] = customers(port, from_page(port, session_cookie(headers)))
        if seen != {"wang": (200, 2), "zhao": (200, 0)}:
            problems.append(f"each person's customers: {seen}")
        if customers(port, {"Authorization": f"Bearer {token}"}) != (200, 2):
            problems.append("wang's bearer token does not serve as wang")
        status, headers, _ = sign_in(port, "wang", PASSWORDS["wang"])
        cookie = from_page(port, session_cookie(headers))
        request(port, "POST", "/api/sign-out", {}, cookie)
        if customers(port, cookie)[0] != 401:
            problems.append("a signed-out session still serves")

        started = time.monotonic()
        refused = [sign_in(port, "wang", f"guess{i}")[0] for i in range(5)]
        delayed = time.monotonic() - started
        after = sign_in(port, "wang", PASSWORDS["wang"])[0]
        if refused != [401] * 5 or after != 429:
            problems.append(f"five wrong passwords then the right one: {refused} {after}")
        if delayed < 5 * 0.5:
            problems.append(f"five failed sign-ins took {delayed:.2f} s, not delayed")
        status, _, answer = sign_in(port, "zhao", PASSWORDS["zhao"])
        if status != 200:
            problems.append(f"another name from the same address: {status} {answer}")
        others = [sign_in(port, f"x{i}", "guess")[0] for i in range(5)]
        status = sign_in(port, "zhao", PASSWORDS["zhao"])[0]
        if others != [401] * 5 or status != 429:
            problems.append(f"ten failures from one address, then zhao: {others} {status}")
    return problems


def check_trusted_header(db, people, log):
    problems = []
    with serving(db, log, "--users", str(people), "--trusted-user-header", "X-Remote-User") as (
            port, _):
        cases = [({"X-Remote-User": "wang"}, (200, 2)), ({"X-Remote-User": "zhao"}, (200, 0)),
                 ({"X-Remote-User": "stranger"}, (401, None)), ({}, (401, None))]
        for headers, expected in cases:
            if customers(port, headers) != expected:
                problems.append(f"{headers}: {customers(port, headers)}, expected {expected}")
    return problems


def check_process_list(db, folder, log):
    """A connection string from --conn-file, password included, is not in the process list."""
    conn_file = folder / "serve.conn"
    conn_file.write_text(f"Provider=SQLite;Data Source={db};Password=conn-s3cret\n")
    try:
        with serve_kit.running_server(VELLOC, ["--conn-file", str(conn_file)], log=log) as server:
            shown = pathlib.Path(f"/proc/{server.process.pid}/cmdline").read_bytes().decode()
    except RuntimeError as error:
        return [f"the server did not start: {error}"]
    return ["the password is in the process list"] if "conn-s3cret" in shown else []


def main():
    failed = passed = 0
    with tempfile.TemporaryDirectory(prefix="velloc-sign-in-") as folder:
        folder = pathlib.Path(folder)
        db, people, log_file = folder / "erp.db", folder / "people.json", folder / "serve.log"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        for name, password in PASSWORDS.items():
            subprocess.run([VELLOC, "user", "--users", str(people), "add", name, "--erp-user",
                            ERP_USERS[name]], input=password + "\n", text=True, check=True,
                           capture_output=True)
        token = subprocess.run([VELLOC, "user", "--users", str(people), "token", "wang"],
                               capture_output=True, text=True, check=True).stdout.strip()
        with open(log_file, "w", encoding="utf-8") as log:
            checks = [("single-user", check_single_user(db, log)),
                      ("people", check_people(db, people, log, token)),
                      ("trusted header", check_trusted_header(db, people, log)),
                      ("process list", check_process_list(db, folder, log))]
        logged = log_file.read_text(encoding="utf-8")
        secrets = ["conn-s3cret", *PASSWORDS.values(), token, *[f"guess{i}" for i in range(5)], *COOKIES]
        checks.append(("no secret in the log", [f"{s!r} logged" for s in secrets if s in logged]
                       + ([] if "sign-in refused for 'wang'" in logged
                          else [f"no refused sign-in logged: {logged!r}"])))
        stored = people.read_text(encoding="utf-8")
        checks.append(("no secret in the people file",
                       [f"{s!r} stored" for s in [*PASSWORDS.values(), token] if s in stored]))
    for name, problems in checks:
        if problems:
            failed += 1
            print(f"FAILED {name}: {'; '.join(problems)}")
        else:
            passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
