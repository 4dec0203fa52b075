#!/usr/bin/python3
"""velloc serve's options from a file (--config, or VELLOC_CONFIG), from the environment
(VELLOC_PORT, …) and from the command line: the command line wins over the environment, the
environment over the file. Each option is observed from the running server: the port and address
it prints, whether it prints a token (single-user) or not (a people file), and which Host it
answers. A file it cannot read or use stops it with a usage error naming the file. Prints
'N passed, N failed'.

Usage: config_test.py VELLOC
"""
import http.client
import os
import pathlib
import socket
import subprocess
import sys
import tempfile

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


# Ports free at start, standing for the file's, the environment's and the command line's.
FILE, ENV, LINE = free_port(), free_port(), free_port()

# (the file's lines, the environment, the command line) -> (address, port, single-user); {people}
# is a people file, {config} the file itself.
PRECEDENCE = [
    ([f"port = {FILE}"], {}, [], ("127.0.0.1", FILE, True)),
    ([f"port = {FILE}"], {"VELLOC_PORT": str(ENV)}, [], ("127.0.0.1", ENV, True)),
    ([f"port = {FILE}"], {"VELLOC_PORT": str(ENV)}, ["--port", str(LINE)], ("127.0.0.1", LINE, True)),
    ([], {"VELLOC_PORT": str(ENV)}, ["--port", str(LINE)], ("127.0.0.1", LINE, True)),
    ([f"port = {FILE}"], {}, ["--port", str(LINE)], ("127.0.0.1", LINE, True)),
    (["bind = 127.0.0.2", f"port = {FILE}"], {}, [], ("127.0.0.2", FILE, True)),
    (["bind = \"127.0.0.2\"", f"port = {FILE}"], {"VELLOC_BIND": "127.0.0.3"}, [],
     ("127.0.0.3", FILE, True)),
    (["bind = 127.0.0.2"], {"VELLOC_BIND": "127.0.0.3", "VELLOC_PORT": str(ENV)},
     ["--bind", "127.0.0.4"], ("127.0.0.4", ENV, True)),
    (["users = \"{people}\"", f"port = {FILE}"], {}, [], ("127.0.0.1", FILE, False)),
    ([f"port = {FILE}"], {"VELLOC_USERS": "{people}"}, [], ("127.0.0.1", FILE, False)),
    ([f"port = {FILE}", "threads = 0"], {"VELLOC_CONFIG": "{config}", "VELLOC_THREADS": "2"}, [],
     ("127.0.0.1", FILE, True)),
]

# Hosts the server answers besides its address: (file's lines, environment) -> for each of
# a.test, b.test, c.test, whether it answers (200) or refuses it (421).
HOSTS = [
    (["allowed-host = [\"a.test\", \"b.test\"]"], {}, [200, 200, 421]),
    (["allowed-host = \"a.test\""], {"VELLOC_ALLOWED_HOST": "b.test,c.test"}, [421, 200, 200]),
]

# A file that cannot be used: (its lines, or None for no file at all; what the message says
# after "--config FILE: ").
REFUSED = [
    (None, "{config} was not readable (missing?)"),
    (["port 9000"], '"port 9000" is not an option of serve'),
    (["colour = red"], '"colour" is not an option of serve'),
    (["db = \"erp.db\""], '"db" is not an option of serve'),
    (["[serve]", "port = 9000"], '"serve.++" is not an option of serve'),
    (["port = 70000"], "port: --port: Value 70000 not in range 0 to 65535"),
    (["threads = many"], "threads: --threads: Value many not in range 1 to 256"),
]


def start(db, lines, env, args, folder, people):
    """velloc serve with a file of `lines` (none when None), named by --config unless `env`
    names it, and `env` over this process's environment less its VELLOC_ variables."""
    config = folder / "serve.conf"
    fill = {"people": str(people), "config": str(config)}
    if lines is not None:
        config.write_text("".join(line.format(**fill) + "\n" for line in lines), encoding="utf-8")
    elif config.exists():
        config.unlink()
    environment = {k: v for k, v in os.environ.items() if not k.startswith("VELLOC_")}
    environment.update({key: value.format(**fill) for key, value in env.items()})
    given = [] if "VELLOC_CONFIG" in env else ["--config", str(config)]
    command = [VELLOC, "--db", str(db), "serve", *given, *[a.format(**fill) for a in args]]
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            env=environment)


def stop(process):
    process.terminate()
    try:
        process.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()


def listening(line):
    """(address, port, single-user) of the line velloc serve prints at start."""
    address = line.split("http://")[1].split("/")[0]
    host, port = address.rsplit(":", 1)
    return host, int(port), "?token=" in line


def host_status(address, port, host):
    connection = http.client.HTTPConnection(address, port, timeout=10)
    try:
        connection.request("GET", "/api/openapi.json", headers={"Host": f"{host}:{port}"})
        response = connection.getresponse()
        response.read()
        return response.status
    finally:
        connection.close()


def main():
    passed = failed = 0

    def check(name, problems):
        nonlocal passed, failed
        if problems:
            failed += 1
            print(f"FAILED {name}: {'; '.join(problems)}")
        else:
            passed += 1

    with tempfile.TemporaryDirectory(prefix="velloc-config-") as folder:
        folder = pathlib.Path(folder)
        db, people = folder / "erp.db", folder / "people.json"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        subprocess.run([VELLOC, "user", "--users", str(people), "add", "li", "--erp-user", "demo"],
                       input="a long enough password\n", text=True, check=True,
                       capture_output=True)
        for lines, env, args, expected in PRECEDENCE:
            process = start(db, lines, env, args, folder, people)
            line = process.stdout.readline()
            stop(process)
            got = listening(line) if "listening on" in line else line
            check(f"{lines} {env} {args}", [] if got == expected else [f"{got}, expected {expected}"])
        for lines, env, statuses in HOSTS:
            process = start(db, lines + ["port = 0"], env, [], folder, people)
            try:
                address, port, _ = listening(process.stdout.readline())
                got = [host_status(address, port, host) for host in ("a.test", "b.test", "c.test")]
            finally:
                stop(process)
            check(f"hosts {lines} {env}", [] if got == statuses else [f"{got}, expected {statuses}"])
        for lines, message in REFUSED:
            process = start(db, lines, {}, [], folder, people)
            out, err = process.communicate(timeout=30)
            expected = f"velloc: --config {folder / 'serve.conf'}: " + message.format(
                config=folder / "serve.conf") + "\n"
            problems = [] if process.returncode == 2 else [f"exit {process.returncode}"]
            check(f"refused {lines}", problems + ([] if err == expected and not out
                                                  else [f"said {out!r} {err!r}"]))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
