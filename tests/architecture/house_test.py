"""docs/architecture.md lists the parts the build compiles, no more and no fewer.

Usage: house_test.py ARCHITECTURE_MD HOUSE_PARTS_TXT
The table between <!-- parts --> and <!-- /parts --> names each part and the build it belongs to;
house_parts.txt, written by the build, names the parts it registered. Parts of the Windows build
are left out of the comparison on another build.
"""
import re
import sys


def documented_parts(text):
    table = text.split("<!-- parts -->")[1].split("<!-- /parts -->")[0]
    parts = {}
    for line in table.splitlines():
        match = re.match(r"\|\s*`([^`]+)`\s*\|\s*(\w+)\s*\|", line)
        if match:
            parts[match.group(1)] = match.group(2)
    return parts


def main():
    with open(sys.argv[1], encoding="utf-8") as doc:
        parts = documented_parts(doc.read())
    with open(sys.argv[2], encoding="utf-8") as built:
        registered = {line.strip() for line in built if line.strip()}
    windows_build = "windows" in registered
    expected = {part for part, build in parts.items() if build == "all" or windows_build}
    missing = sorted(expected - registered)
    unlisted = sorted(registered - set(parts))
    for part in missing:
        print(f"listed but not built: {part}")
    for part in unlisted:
        print(f"built but not listed: {part}")
    failed = 1 if missing or unlisted else 0
    print(f"{1 - failed} passed, {failed} failed")
    return failed


if __name__ == "__main__":
    sys.exit(main())
