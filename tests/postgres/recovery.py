"""velloc serve outlives a PostgreSQL restart: requests answer 200, then 503 while the server is
stopped, and once it is started again every one of a batch of 20 answers 200 within 10 s, from
the same serve process (its workers met the outage on connections they had made before it).

    recovery.py VELLOC    (TARN_TEST_POSTGRES: a database holding the demo company; PG_BIN,
                           TARN_POSTGRES_SOCKET_DIR and TARN_POSTGRES_PORT: scripts/postgres.sh)

The cluster is started again before the script ends, also when a step fails."""

import collections
import contextlib
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
from serve_kit import batch, running_server  # noqa: E402

VELLOC = sys.argv[1]
FOLDER = os.environ["TARN_POSTGRES_SOCKET_DIR"]
PORT = os.environ["TARN_POSTGRES_PORT"]
PG_CTL = os.path.join(os.environ["PG_BIN"], "pg_ctl")
# scripts/postgres.sh runs the cluster as the postgres user when it runs as root.
AS_OWNER = ["runuser", "-u", "postgres", "--"] if os.geteuid() == 0 else []
BATCH = 20
RECOVERY_BOUND = 10.0


def pg_ctl(*args):
    subprocess.run([*AS_OWNER, PG_CTL, *args, "-D", os.path.join(FOLDER, "data"), "-w", "-s"],
                   check=True, timeout=60)


def running():
    return subprocess.run([*AS_OWNER, PG_CTL, "status", "-D", os.path.join(FOLDER, "data")],
                          stdout=subprocess.DEVNULL, timeout=60).returncode == 0


def start_cluster():
    # As scripts/postgres.sh starts it.
    pg_ctl("start", "-l", os.path.join(FOLDER, "server.log"), "-o",
           f"-c listen_addresses='' -k {FOLDER} -p {PORT} -c fsync=off -c synchronous_commit=off "
           "-c full_page_writes=off -c max_connections=200")


@contextlib.contextmanager
def cluster_left_running():
    """Starts the cluster again on leaving when a step stopped it and failed before starting it."""
    try:
        yield
    finally:
        if not running():
            start_cluster()


def stop_and_start(port, token, expect):
    expect("before the stop", batch(port, token, BATCH), {200: BATCH})
    pg_ctl("stop", "-m", "fast")
    expect("while stopped", batch(port, token, BATCH), {503: BATCH})
    start_cluster()

    began = time.monotonic()
    rounds = []
    while True:
        found = batch(port, token, BATCH)
        rounds.append(dict(found))
        if found == {200: BATCH} or time.monotonic() - began > RECOVERY_BOUND:
            break
        time.sleep(0.1)
    took = time.monotonic() - began
    print(f"after the start: {len(rounds)} batches in {took:.2f} s: {rounds}")
    expect("after the start, last batch", collections.Counter(rounds[-1]), {200: BATCH})


def main():
    failed = []

    def expect(what, found, wanted):
        print(f"{what}: {dict(found)}")
        if found != wanted:
            failed.append(f"{what}: {dict(found)}, wanted {dict(wanted)}")

    environment = {**os.environ, "VELLOC_CONN": os.environ["TARN_TEST_POSTGRES"]}
    with tempfile.TemporaryFile("w+") as log:
        try:
            with running_server(VELLOC, [], environment, serve_options=["--threads", "8"],
                                log=log) as serve, cluster_left_running():
                stop_and_start(serve.port, serve.token, expect)
                if serve.process.poll() is not None:
                    failed.append(f"velloc serve ended with status {serve.process.returncode}")
        finally:
            log.seek(0)
            errors = log.read()
            if failed and errors:
                print(f"velloc serve's log:\n{errors}")

    for failure in failed:
        print(f"FAILED {failure}")
    print(f"{len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
