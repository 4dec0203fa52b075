"""velloc serve outlives a SQLite file that stops being a database under its workers' open
connections and is then restored as a new file in its place (the connections still hold the
spoilt one): requests answer 200, 503 while the file is spoilt, and once it is restored every
one of a batch of 20 answers 200 within 10 s, from the same process.
(tests/postgres/recovery.py does the same through a PostgreSQL stop and start.)

    recovery_test.py VELLOC"""

import collections
import concurrent.futures
import json
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
from pathlib import Path

VELLOC = sys.argv[1]
BATCH = 20
RECOVERY_BOUND = 10.0


def request(port, token):
    body = json.dumps({"field": "cdefine3", "value": "HD"}).encode()
    req = urllib.request.Request(f"http://127.0.0.1:{port}/api/validate", data=body, headers={
        "Authorization": f"Bearer {token}", "Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(req, timeout=30) as answer:
            status, text = answer.status, answer.read().decode()
    except urllib.error.HTTPError as error:
        return error.code
    return status if json.loads(text).get("value") == "华东区" else f"{status} {text!r}"


def batch(port, token):
    with concurrent.futures.ThreadPoolExecutor(BATCH) as pool:
        return collections.Counter(pool.map(lambda _: request(port, token), range(BATCH)))


def overwrite(file, content):
    """Writes `content` over the file in place: the workers' connections keep the same file."""
    with open(file, "r+b") as out:
        out.write(content)


def main():
    failed = []

    def expect(what, found, wanted):
        print(f"{what}: {dict(found)}")
        if found != wanted:
            failed.append(f"{what}: {dict(found)}, wanted {dict(wanted)}")

    with tempfile.TemporaryDirectory() as folder:
        db = Path(folder) / "erp.db"
        subprocess.run([VELLOC, "--db", str(db), "demo"], check=True, stdout=subprocess.DEVNULL)
        whole = db.read_bytes()
        serve = subprocess.Popen([VELLOC, "--db", str(db), "serve", "--port", "0", "--threads",
                                  "8"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 text=True)
        try:
            line = serve.stdout.readline()
            if "?token=" not in line:
                raise RuntimeError(f"velloc serve did not start: {line!r}")
            port = int(line.split("127.0.0.1:")[1].split("/")[0])
            token = line.split("?token=")[1].split()[0]

            expect("before", batch(port, token), {200: BATCH})
            overwrite(db, b"x" * len(whole))
            expect("while spoilt", batch(port, token), {503: BATCH})
            restored = db.with_name("restored.db")
            restored.write_bytes(whole)
            restored.replace(db)
            began = time.monotonic()
            batches = 0
            while True:
                found = batch(port, token)
                batches += 1
                if found == {200: BATCH} or time.monotonic() - began > RECOVERY_BOUND:
                    break
                time.sleep(0.1)
            print(f"restored: {batches} batches in {time.monotonic() - began:.2f} s")
            expect("restored, last batch", found, {200: BATCH})
        finally:
            serve.terminate()
            serve.wait(timeout=30)

    for failure in failed:
        print(f"FAILED {failure}")
    print(f"{len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
