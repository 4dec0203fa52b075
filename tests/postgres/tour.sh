#!/usr/bin/env bash
# The velloc tour of README.md on PostgreSQL: `velloc init` and `velloc demo` fill a new
# database on the server, and every tour command then answers exactly as it does on the SQLite
# demo database, apart from the line or key that names the database and the order of rows that
# a statement without ORDER BY returns (each database has its own): the lines are compared as
# sorted lists.
#   tour.sh VELLOC     (TARN_TEST_POSTGRES: an empty database of the server)
set -euo pipefail
velloc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

conn=$TARN_TEST_POSTGRES
"$velloc" --conn "$conn" init
"$velloc" --conn "$conn" demo
"$velloc" --db sqlite.db demo >/dev/null

commands=(
  "ref cdefine3 --match 华"
  "validate cdefine3 HD"
  "--user clerk01 ref cdefine1 --source archive --table customer --field cCusName"
  "ref cdefine1 --source archive --table person --field cPersonName"
  "free-ref cfree1 --inventory 01001"
  "free-ref cfree2"
  "validate cdefine4 12.5 --build"
  "validate-free cfree2 特大 --json"
  "validate cdefine1 'Warehouse upgrade  '"
  "validate cdefine2 abc"
  "--user clerk01 validate cdefine1 C002 --source archive --table customer --field cCusCode"
  "validate cdefine3 HD --source archive --json"
  "validate cdefine1 500000 --source archive --table customer --field iCreditLine"
  "validate cdefine1 abc --source archive --table customer --field iCreditLine"
  "ref cdefine2 --source voucher --card CT01 --field cContractName --match 合同"
)
status=0
for command in "${commands[@]}"; do
  eval "set -- $command"
  # Only the database's name differs: the file on SQLite, the database on the server.
  expected=$("$velloc" --db sqlite.db "$@" 2>&1 | grep -v '^Database \|"database": ' | sort || true)
  actual=$("$velloc" --conn "$conn" "$@" 2>&1 | grep -v '^Database \|"database": ' | sort || true)
  if [[ $expected != "$actual" ]]; then
    echo "velloc $command: differs on PostgreSQL"
    diff <(echo "$expected") <(echo "$actual") || true
    status=1
  else
    echo "velloc $command: same answer"
  fi
done
exit "$status"
