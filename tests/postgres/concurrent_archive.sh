#!/usr/bin/env bash
# Eight velloc processes validate the same new value of header item 3 with archiving at the
# same moment (each waits for one signal file, then runs): every one answers, and UserDefine
# holds the value exactly once.
#   concurrent_archive.sh VELLOC     (TARN_TEST_POSTGRES: a database holding the demo company)
set -euo pipefail
velloc=$1
conn=$TARN_TEST_POSTGRES
work=$(mktemp -d)
# The waiting processes end with the script, also when it fails before giving the signal.
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
value="并发区-$$"

for i in 1 2 3 4 5 6 7 8; do
  (
    while [[ ! -e $work/go ]]; do sleep 0.005; done
    "$velloc" --conn "$conn" --json validate cdefine3 "$value" --build >"$work/out.$i" 2>&1
    echo $? >"$work/status.$i"
  ) &
done
sleep 0.5
touch "$work/go"
wait

status=0
for i in 1 2 3 4 5 6 7 8; do
  if [[ $(cat "$work/status.$i") != 0 ]] || ! grep -q '"code": [01],' "$work/out.$i"; then
    echo "process $i failed:"
    cat "$work/out.$i"
    status=1
  fi
done
rows=$("$velloc" --conn "$conn" ref cdefine3 --limit 0 --match "$value" | grep -c "^$value" || true)
echo "rows holding the value: $rows"
[[ $rows == 1 ]] || status=1
exit "$status"
