"""velloc serve outlives a SQLite file that stops being a database under its workers' open
connections and is then restored as a new file in its place (the connections still hold the
spoilt one): requests answer 200, 503 while the file is spoilt, and once it is restored every
one of a batch of 20 answers 200 within 10 s, from the same process.
(tests/postgres/recovery.py does the same through a PostgreSQL stop and start.)

    recovery_test.py VELLOC"""

import subprocess
import sys
import tempfile
import time
from pathlib import Path

from serve_kit import batch, serving

VELLOC = sys.argv[1]
BATCH = 20
RECOVERY_BOUND = 10.0


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
        with serving(VELLOC, ["--db", str(db)], serve_options=["--threads", "8"]) as (port, token):
            expect("before", batch(port, token, BATCH), {200: BATCH})
            overwrite(db, b"x" * len(whole))
            expect("while spoilt", batch(port, token, BATCH), {503: BATCH})
            restored = db.with_name("restored.db")
            restored.write_bytes(whole)
            restored.replace(db)
            began = time.monotonic()
            batches = 0
            while True:
                found = batch(port, token, BATCH)
                batches += 1
                if found == {200: BATCH} or time.monotonic() - began > RECOVERY_BOUND:
                    break
                time.sleep(0.1)
            print(f"restored: {batches} batches in {time.monotonic() - began:.2f} s")
            expect("restored, last batch", found, {200: BATCH})

    for failure in failed:
        print(f"FAILED {failure}")
    print(f"{len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
