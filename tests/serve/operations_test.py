#!/usr/bin/python3
"""What velloc serve tells its operator: the request log (one JSON line per request, with its id,
person and status, a database failure with the database's message, never a secret), /healthz,
/readyz and /metrics, whose text Debian's python3-prometheus-client parses. Prints
'N passed, N failed'.

Usage: operations_test.py VELLOC
"""
import http.client
import json
import pathlib
import subprocess
import sys
import tempfile

from prometheus_client.parser import text_string_to_metric_families

from serve_kit import serving

VELLOC = str(pathlib.Path(sys.argv[1]).resolve())
SECRET_VALUE = "值-s3cret-typed"  # a body's text: it must not reach the log


def request(port, method, path, token=None, body=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        headers = {"Authorization": f"Bearer {token}"} if token else {}
        data = None
        if body is not None:
            data = json.dumps(body, ensure_ascii=False).encode()
            headers["Content-Type"] = "application/json"
        connection.request(method, path, data, headers)
        response = connection.getresponse()
        return response.status, dict(response.getheaders()), response.read().decode("utf-8")
    finally:
        connection.close()


def metric_samples(text):
    """{(name, frozenset(labels)): value} of every sample, as a real parser reads them."""
    samples = {}
    for family in text_string_to_metric_families(text):
        for sample in family.samples:
            samples[(sample.name, frozenset(sample.labels.items()))] = sample.value
    return samples


def main():
    checks = []
    with tempfile.TemporaryDirectory(prefix="velloc-operations-") as folder:
        folder = pathlib.Path(folder)
        db, log = folder / "erp.db", folder / "requests.log"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, capture_output=True)
        with serving(VELLOC, ["--db", str(db)],
                     serve_options=["--log", str(log)]) as (port, token):
            validate = {"field": "cdefine3", "value": SECRET_VALUE}
            # (what, method, path, with the token, body, expected status)
            steps = [("health", "GET", "/healthz", False, None, 200),
                     ("ready", "GET", "/readyz", False, None, 200),
                     ("validation", "POST", "/api/validate", True, validate, 200),
                     ("no caller", "POST", "/api/validate", False, validate, 401),
                     ("unknown path", "GET", "/nothing", False, None, 404)]
            ids = {}
            for what, method, path, with_token, body, expected in steps:
                status, headers, _ = request(port, method, path, token if with_token else None,
                                             body)
                ids[what] = headers.get("X-Request-Id", "")
                checks.append((f"{what}: status", [] if status == expected
                               else [f"{status}, expected {expected}"]))
            status, _, text = request(port, "GET", "/metrics")
            samples = metric_samples(text)
            expected = {
                ("velloc_requests_total", frozenset({("route", "/api/validate"),
                                                     ("status", "200")})): 1,
                ("velloc_requests_total", frozenset({("route", "/api/validate"),
                                                     ("status", "401")})): 1,
                ("velloc_requests_total", frozenset({("route", "other"), ("status", "404")})): 1,
                ("velloc_request_duration_seconds_count",
                 frozenset({("route", "/api/validate")})): 2,
                ("velloc_database_failures_total", frozenset()): 0,
            }
            checks.append(("metrics", [f"{key}: {samples.get(key)}, expected {value}"
                                       for key, value in expected.items()
                                       if samples.get(key) != value] +
                           ([] if samples.get(("velloc_components_alive", frozenset()), 0) >= 1
                            else ["no component alive"])))
            (folder / "erp.db").unlink()
            # A thread that holds the database open still reads the unlinked file; one that opens
            # it now fails. Which thread takes a request is the kernel's choice, so the validation
            # is asked again until a thread that opens the database answers it.
            for _ in range(100):
                if request(port, "POST", "/api/validate", token, validate)[0] == 503:
                    break
            status_ready, _, ready = request(port, "GET", "/readyz")
            checks.append(("not ready without the database",
                           [] if status_ready == 503 and "not ready" in ready
                           else [f"{status_ready} {ready}"]))
        lines = [json.loads(entry) for entry in log.read_text(encoding="utf-8").splitlines()]
    requests = [entry for entry in lines if "id" in entry]
    by_id = {entry["id"]: entry for entry in requests}
    problems = []
    if [entry.get("event") for entry in (lines[0], lines[-1])] != ["start", "stop"]:
        problems.append("no start and stop lines")
    for what, request_id in ids.items():
        if sum(entry["id"] == request_id for entry in requests) != 1:
            problems.append(f"{what} ({request_id}) is not logged once")
    validation = by_id.get(ids["validation"], {})
    if (validation.get("person"), validation.get("status"), validation.get("path")) != (
            "demo", 200, "/api/validate"):
        problems.append(f"the validation's line: {validation}")
    if by_id.get(ids["no caller"], {}).get("person") is not None:
        problems.append("a request without a caller names a person")
    checks.append(("request log", problems))
    failures = [(entry["status"], entry["database"]) for entry in requests if "database" in entry]
    expected_failure = (503, f"cannot open database '{db}': unable to open database file")
    checks.append(("a database failure logged with its message",
                   [] if failures == [expected_failure] else [f"{failures}"]))
    text = json.dumps(lines, ensure_ascii=False)
    checks.append(("no secret in the log",
                   [f"{secret!r} logged" for secret in (SECRET_VALUE, token) if secret in text]))
    failed = [name for name, problems in checks if problems]
    for name, problems in checks:
        if problems:
            print(f"FAILED {name}: {'; '.join(problems)}")
    print(f"{len(checks) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
