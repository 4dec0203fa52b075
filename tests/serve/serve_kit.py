"""What the serve tests share: a velloc serve on a free port, over HTTP or HTTPS, and batches of
validations sent at once."""

import collections
import concurrent.futures
import contextlib
import json
import subprocess
import tempfile
import urllib.error
import urllib.request


Server = collections.namedtuple("Server", "process port token")


@contextlib.contextmanager
def running_server(velloc, arguments, env=None, serve_options=(), log=None, tls=None, cwd=None):
    """Runs `velloc ARGUMENTS serve --port 0 SERVE_OPTIONS` in `cwd`; yields a Server (its
    process, port and token) once it listens (the token None when it prints none: a server of
    several people), and stops it on leaving, also when the test failed. With `tls`, a
    (certificate, key) pair of PEM files, it serves HTTPS only and must say so in its address.
    Its standard error goes to `log`, or to a file of its own, never to a pipe nobody reads, and
    is told when it does not start."""
    tls_options = ["--tls-cert", str(tls[0]), "--tls-key", str(tls[1])] if tls else []
    address = f"listening on {'https' if tls else 'http'}://127.0.0.1:"
    with contextlib.ExitStack() as stack:
        if log is None:
            log = stack.enter_context(tempfile.TemporaryFile("w+"))
        process = subprocess.Popen(
            [velloc, *arguments, "serve", "--port", "0", *serve_options, *tls_options],
            stdout=subprocess.PIPE, stderr=log, text=True, env=env, cwd=cwd)
        try:
            line = process.stdout.readline()
            if address not in line:
                process.wait(timeout=30)
                log.seek(0)
                raise RuntimeError(f"velloc serve did not start: {line!r} {log.read()!r}")
            yield Server(process, int(line.split("127.0.0.1:")[1].split("/")[0]),
                         line.split("?token=")[1].split()[0] if "?token=" in line else None)
        finally:
            process.terminate()
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


@contextlib.contextmanager
def serving(velloc, arguments, env=None, **options):
    """running_server for a test that needs only (port, token)."""
    with running_server(velloc, arguments, env, **options) as server:
        yield server.port, server.token


def validate_alias(port, token):
    """The status of validating the alias HD of header item 3; a 200 counts only with the right
    value, 华东区."""
    body = json.dumps({"field": "cdefine3", "value": "HD"}).encode()
    req = urllib.request.Request(f"http://127.0.0.1:{port}/api/validate", data=body, headers={
        "Authorization": f"Bearer {token}", "Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(req, timeout=30) as answer:
            status, text = answer.status, answer.read().decode()
    except urllib.error.HTTPError as error:
        return error.code
    return status if json.loads(text).get("value") == "华东区" else f"{status} {text!r}"


def batch(port, token, size):
    """The statuses of `size` validations sent at once, so that every worker takes some."""
    with concurrent.futures.ThreadPoolExecutor(size) as pool:
        return collections.Counter(pool.map(lambda _: validate_alias(port, token), range(size)))
