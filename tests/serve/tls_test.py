#!/usr/bin/python3
"""velloc serve over HTTPS, with a throwaway self-signed certificate made by Debian's openssl:
the API and the landing's Secure cookie, the Origin check, a plain-HTTP client answered nothing in
clear, a client that never handshakes cut off while another is served, pipelining, and the
certificate and key combinations refused at start. Prints 'N passed, N failed'.

Usage: tls_test.py VELLOC
"""
import contextlib
import http.client
import json
import pathlib
import socket
import ssl
import subprocess
import sys
import tempfile

from serve_kit import serving

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
VALIDATE = {"field": "cdefine3", "value": "HD"}


def make_certificate(folder):
    """(certificate, its key, another key) as PEM files in `folder`."""
    cert, key, other = folder / "cert.pem", folder / "key.pem", folder / "other.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", str(key), "-out",
                    str(cert), "-days", "1", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                   check=True, capture_output=True, timeout=30)
    subprocess.run(["openssl", "genpkey", "-algorithm", "EC", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-out", str(other)],
                   check=True, capture_output=True, timeout=30)
    return cert, key, other


def request(context, port, method, path, body=None, headers=None):
    """(status, headers in lower case, JSON answer or None) over HTTPS."""
    connection = http.client.HTTPSConnection("127.0.0.1", port, timeout=15, context=context)
    try:
        data = json.dumps(body, ensure_ascii=False).encode() if body is not None else None
        sent = {"Content-Type": "application/json"} if data is not None else {}
        connection.request(method, path, data, {**sent, **(headers or {})})
        response = connection.getresponse()
        text = response.read().decode("utf-8")
        return (response.status, {k.lower(): v for k, v in response.getheaders()},
                json.loads(text) if text.startswith("{") else None)
    finally:
        connection.close()


def check_api(context, port, token):
    own, plain = f"https://127.0.0.1:{port}", f"http://127.0.0.1:{port}"
    bearer = {"Authorization": f"Bearer {token}"}
    cases = [  # (what, headers, status, the answer's value or error message)
        ("the token", bearer, 200, "华东区"),
        ("no credential", {}, 401, None),
        ("the server's own https Origin", {**bearer, "Origin": own}, 200, "华东区"),
        ("an http Origin", {**bearer, "Origin": plain}, 403,
         f'cross-site request refused: Origin "{plain}" is not this server\'s ({own})'),
    ]
    problems = []
    for what, headers, expected_status, expected in cases:
        status, _, answer = request(context, port, "POST", "/api/validate", VALIDATE, headers)
        got = answer.get("value") if status == 200 else answer["error"]["message"]
        if status != expected_status or (expected is not None and got != expected):
            problems.append(f"{what}: {status} {answer}")
    return problems


def check_landing(context, port, token):
    status, headers, _ = request(context, port, "GET", f"/?token={token}")
    cookie = headers.get("set-cookie", "")
    if status != 303 or not cookie.endswith("; Path=/; HttpOnly; SameSite=Strict; Secure"):
        return [f"landing: {status} {cookie!r}"]
    status, _, _ = request(context, port, "POST", "/api/validate", VALIDATE,
                           {"Cookie": cookie.split(";")[0],
                            "Origin": f"https://127.0.0.1:{port}"})
    return [] if status == 200 else [f"the landing's cookie: {status}"]


def check_plain_http(port):
    """A request in clear gets no answer in clear, and the connection closes."""
    received = b""
    with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
        sock.sendall(f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode())
        with contextlib.suppress(ConnectionResetError):
            while chunk := sock.recv(65536):
                received += chunk
    return [f"answered {received!r}"] if b"HTTP/" in received else []


def check_silent_client(context, port, token):
    """A client that opens TCP and never handshakes is held while another is served, then closed
    at the deadline with nothing sent."""
    with socket.create_connection(("127.0.0.1", port), timeout=15) as silent:
        status, _, answer = request(context, port, "POST", "/api/validate", VALIDATE,
                                    {"Authorization": f"Bearer {token}"})
        problems = [] if status == 200 else [f"the other client: {status} {answer}"]
        silent.setblocking(False)
        try:
            problems.append(f"closed before the deadline: {silent.recv(1)!r}")
        except BlockingIOError:
            pass
        silent.settimeout(15)
        try:
            received = silent.recv(65536)
        except socket.timeout:
            received = None
        if received != b"":
            problems.append(f"not closed at the deadline: {received!r}")
    return problems


def check_pipelined(context, port, token):
    """Requests sent back to back, each in TLS records of its own, are answered in order; the last
    closes the connection."""
    values = ["HD", "HB", "HN"]
    sent = []
    for i, value in enumerate(values):
        body = json.dumps({"field": "cdefine3", "value": value}).encode()
        last = "Connection: close" if i == len(values) - 1 else "Accept: */*"
        sent.append((f"POST /api/validate HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
                     f"Authorization: Bearer {token}\r\nContent-Type: application/json\r\n"
                     f"Content-Length: {len(body)}\r\n{last}\r\n\r\n").encode() + body)
    with socket.create_connection(("127.0.0.1", port), timeout=15) as raw, \
            context.wrap_socket(raw, server_hostname="127.0.0.1") as sock:
        for data in sent:
            sock.sendall(data)
        received = b""
        with contextlib.suppress(ssl.SSLEOFError):
            while chunk := sock.recv(65536):
                received += chunk
    got = []
    while received:
        head, rest = received.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        length = next(int(line.split(":")[1]) for line in lines
                      if line.lower().startswith("content-length:"))
        got.append((lines[0], json.loads(rest[:length]).get("value")))
        received = rest[length:]
    expected = [("HTTP/1.1 200 OK", value) for value in ["华东区", "华北区", "华南区"]]
    return [] if got == expected else [f"answers {got}"]


def check_start_failures(db, cert, key, other, folder):
    junk, missing = folder / "junk.pem", folder / "missing.pem"
    junk.write_text("not PEM\n")
    together = "velloc: --tls-cert and --tls-key go together: give the certificate and its key, " \
               "or neither\n"
    cases = [  # (options, exit status, message)
        (["--tls-cert", cert], 2, together),
        (["--tls-key", key], 2, together),
        (["--tls-cert", missing, "--tls-key", key], 1,
         f"velloc: cannot read the TLS certificate {missing}: No such file or directory\n"),
        (["--tls-cert", cert, "--tls-key", missing], 1,
         f"velloc: cannot read the TLS key {missing}: No such file or directory\n"),
        (["--tls-cert", junk, "--tls-key", key], 1,
         f"velloc: the TLS certificate {junk} is not a PEM certificate\n"),
        (["--tls-cert", cert, "--tls-key", junk], 1,
         f"velloc: the TLS key {junk} is not an unencrypted PEM private key\n"),
        (["--tls-cert", cert, "--tls-key", other], 1,
         f"velloc: the TLS key {other} does not match the certificate {cert}\n"),
    ]
    problems = []
    for options, expected_status, message in cases:
        run = subprocess.run([VELLOC, "--db", str(db), "serve", "--port", "0",
                              *map(str, options)],
                             capture_output=True, text=True, timeout=30, check=False)
        if (run.returncode, run.stdout, run.stderr) != (expected_status, "", message):
            problems.append(f"{options}: exit {run.returncode} {run.stdout!r} {run.stderr!r}")
    return problems


def main():
    with tempfile.TemporaryDirectory(prefix="velloc-tls-") as folder:
        folder = pathlib.Path(folder)
        db = folder / "erp.db"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        cert, key, other = make_certificate(folder)
        context = ssl.create_default_context(cafile=str(cert))
        tls12 = ssl.create_default_context(cafile=str(cert))
        tls12.maximum_version = ssl.TLSVersion.TLSv1_2
        # A 3 s deadline, for the client that never handshakes.
        with serving(VELLOC, ["--db", str(db)], serve_options=["--timeout", "3", "--threads", "2"],
                     tls=(cert, key)) as (port, token):
            checks = [
                ("the API over HTTPS", check_api(context, port, token)),
                ("the API over TLS 1.2", check_api(tls12, port, token)),
                ("the landing's cookie is Secure", check_landing(context, port, token)),
                ("plain HTTP answered nothing in clear", check_plain_http(port)),
                ("a client that never handshakes is cut off",
                 check_silent_client(context, port, token)),
                ("pipelined requests answered in order", check_pipelined(context, port, token)),
            ]
        checks.append(("bad certificates and keys refused at start",
                       check_start_failures(db, cert, key, other, folder)))
    failed = 0
    for name, problems in checks:
        if problems:
            failed += 1
            print(f"FAILED {name}: {'; '.join(problems)}")
    print(f"{len(checks) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
