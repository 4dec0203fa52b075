#!/usr/bin/env bash
# The deployment files of deploy/ at work, on loopback, everything in temporary folders:
#
#   bash tests/deploy/run.sh [BUILD_DIR]     (default build/default, built beforehand; as root)
#
# systemd-analyze verifies the unit (its ExecStart pointed at the built velloc); nginx, with a
# certificate made here and deploy/nginx.conf with its addresses and paths moved to free ports
# and the temporary folder, balances over two `velloc serve` instances (127.0.0.1 and
# 127.0.0.2 on one port, one token file) on one throwaway PostgreSQL database, and a third
# instance that believes nginx's X-Velloc-User header. Checks: the Host, TLS, the token, other
# sites refused, a client's own X-Velloc-User dropped, keepalive to both instances. Then:
#   load     a bounded pick-list run through nginx: requests/s and p99
#   kill     values archived through nginx while one instance is killed (SIGKILL) and started
#            again: only requests that instance held fail, each value ends in UserDefine once,
#            and both instances serve afterwards
#   restart  PostgreSQL restarted under a pick-list run: requests succeed again once it is back
#            with no instance restarted
# Every process started here is stopped, and every folder removed, also when a check fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/default}")
[[ -x $build/bin/velloc ]] || { echo "$0: no velloc in $build/bin: build first" >&2; exit 1; }

if [[ -z ${TARN_TEST_POSTGRES:-} ]]; then
  bash scripts/install-deps.sh postgresql nginx-light
  exec bash scripts/postgres.sh bash "$0" "$build"
fi

velloc=$build/bin/velloc
conn=$TARN_TEST_POSTGRES
work=$(mktemp -d /tmp/velloc-deploy.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  # SIGTERM first: nginx's master stops its workers only when it is itself stopped that way.
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  local alive
  for _ in $(seq 50); do
    alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    ((alive)) || break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

passed=0
failed=0
check() {  # check NAME COMMAND...: counts and prints the outcome
  local name=$1
  shift
  if "$@"; then
    echo "PASS  $name"
    passed=$((passed + 1))
  else
    echo "FAIL  $name"
    failed=$((failed + 1))
  fi
}
psql_tarn() {
  local as=()
  ((EUID == 0)) && as=(runuser -u postgres --)
  "${as[@]}" "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres \
    -d "$TARN_POSTGRES_DATABASE" -X -q -At -v ON_ERROR_STOP=1 "$@"
}
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# --- the unit -------------------------------------------------------------------------------
mkdir -p "$work/unit"
sed "s|/usr/local/bin/velloc|$velloc|" deploy/velloc-serve.service >"$work/unit/velloc-serve.service"
verify_unit() {
  # systemd-analyze verify prints what it finds wrong and fails on errors; its notes about the
  # host it runs on (no systemd as PID 1 in a container) are not about the unit.
  SYSTEMD_LOG_LEVEL=warning systemd-analyze verify "$work/unit/velloc-serve.service" \
    >"$work/unit/verify.log" 2>&1 || { cat "$work/unit/verify.log"; return 1; }
  ! grep -E "velloc-serve.service:[0-9]+:" "$work/unit/verify.log" || return 1
}
if command -v systemd-analyze >/dev/null; then
  check "systemd-analyze verify velloc-serve.service" verify_unit
else
  echo "SKIP  systemd-analyze verify (no systemd-analyze)"
fi
no_secret_in_unit() {
  ! grep -Eiq "password|pwd=|token=" deploy/velloc-serve.service deploy/velloc-serve.env
}
check "no secret in the unit or its environment file" no_secret_in_unit

# --- the database and two instances ---------------------------------------------------------
"$velloc" --conn "$conn" init >/dev/null
"$velloc" --conn "$conn" demo >/dev/null
printf '%s\n' "$conn" >"$work/serve.conn"
chmod 600 "$work/serve.conn"

port=$(free_port)
start_instance() {  # start_instance N: 127.0.0.N:$port; its pid in instance_pid[N]
  local n=$1 before
  before=$(grep -c "listening on" "$work/instance$n.log" 2>/dev/null || true)
  "$velloc" --conn-file "$work/serve.conn" serve --bind "127.0.0.$n" --port "$port" \
    --allowed-host velloc.internal --token-file "$work/serve.token" --threads 4 \
    >>"$work/instance$n.log" 2>&1 &
  instance_pid[$n]=$!
  pids+=($!)
  for _ in $(seq 100); do
    (($(grep -c "listening on" "$work/instance$n.log" || true) > ${before:-0})) && return
    sleep 0.05
  done
  echo "instance $n did not start:"
  cat "$work/instance$n.log"
  return 1
}
declare -A instance_pid
start_instance 1  # makes the token file
start_instance 2  # reads it
token=$(cat "$work/serve.token")

# Straight to one instance, as nginx sends it: prints the HTTP status.
direct() {
  curl -s -o /dev/null -w '%{http_code}' --max-time 5 "http://127.0.0.$1:$port/api/ref" \
    -H "Host: velloc.internal:$port" -H "Authorization: Bearer $token" \
    -H 'Content-Type: application/json' -d '{"field": "cdefine3", "match": "华"}' || true
}
both_serve() { [[ $(direct 1) == 200 && $(direct 2) == 200 ]]; }
check "two instances on one database, one token" both_serve

# --- nginx ----------------------------------------------------------------------------------
mkdir -p "$work/nginx"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/nginx/key.pem" -out "$work/nginx/cert.pem" 2>/dev/null
https_port=$(free_port)
http_port=$(free_port)
sed -e "s|listen 443 ssl http2;|listen 127.0.0.1:$https_port ssl http2;|" \
  -e "s|listen 80;|listen 127.0.0.1:$http_port;|" -e '/listen \[::\]/d' \
  -e "s|/etc/ssl/certs/erp.example.com.pem|$work/nginx/cert.pem|" \
  -e "s|/etc/ssl/private/erp.example.com.key|$work/nginx/key.pem|" \
  -e "s|127.0.0.1:8080|127.0.0.1:$port|; s|127.0.0.2:8080|127.0.0.2:$port|" \
  -e "s|velloc.internal:8080|velloc.internal:$port|" \
  deploy/nginx.conf >"$work/nginx/velloc.conf"
# The same site in front of a third instance that believes X-Velloc-User (the ERP user id, as it
# has no people file): a client's own copy of that header must never reach it.
https_port_trusted=$(free_port)
http_port_trusted=$(free_port)
sed -e "s|listen 443 ssl http2;|listen 127.0.0.1:$https_port_trusted ssl http2;|" \
  -e "s|listen 80;|listen 127.0.0.1:$http_port_trusted;|" -e '/listen \[::\]/d' \
  -e "s|/etc/ssl/certs/erp.example.com.pem|$work/nginx/cert.pem|" \
  -e "s|/etc/ssl/private/erp.example.com.key|$work/nginx/key.pem|" \
  -e "s|velloc_serve|velloc_trusted|; s|127.0.0.1:8080|127.0.0.3:$port|; /127.0.0.2:8080/d" \
  -e "s|velloc.internal:8080|velloc.internal:$port|" \
  deploy/nginx.conf >"$work/nginx/trusted.conf"
"$velloc" --conn-file "$work/serve.conn" serve --bind 127.0.0.3 --port "$port" \
  --allowed-host velloc.internal --trusted-user-header X-Velloc-User --threads 1 \
  >"$work/instance3.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  grep -q "listening on" "$work/instance3.log" && break
  sleep 0.05
done
cat >"$work/nginx/nginx.conf" <<EOF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 512; }
http {
    access_log $work/nginx/access.log;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    include $work/nginx/velloc.conf;
    include $work/nginx/trusted.conf;
}
EOF
nginx_ok() { nginx -t -p "$work/nginx" -c "$work/nginx/nginx.conf" >"$work/nginx/t.log" 2>&1 ||
  { cat "$work/nginx/t.log"; return 1; }; }
check "nginx -t accepts deploy/nginx.conf" nginx_ok
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>>"$work/nginx/error.log" &
pids+=($!)
for _ in $(seq 100); do
  curl -s -o /dev/null --cacert "$work/nginx/cert.pem" "https://localhost:$https_port/" && break
  sleep 0.05
done
base=https://localhost:$https_port
through_nginx() {  # through_nginx PATH BODY [CURL ARGS]: prints the status
  local path=$1 body=$2
  shift 2
  curl -s -o "$work/answer" -w '%{http_code}' --max-time 10 --cacert "$work/nginx/cert.pem" \
    "$base$path" -H 'Content-Type: application/json' -d "$body" "$@" || true
}
pick_list() {
  [[ $(through_nginx /api/ref '{"field": "cdefine3", "match": "华"}' \
    -H "Authorization: Bearer $token") == 200 ]] && grep -q '"shown": 3' "$work/answer"
}
check "a pick-list through nginx over TLS" pick_list
no_token() { [[ $(through_nginx /api/ref '{"field": "cdefine3"}') == 401 ]]; }
check "no token: 401 through nginx" no_token
foreign_origin() {
  [[ $(through_nginx /api/ref '{"field": "cdefine3"}' -H "Authorization: Bearer $token" \
    -H 'Sec-Fetch-Site: cross-site') == 403 ]]
}
check "another site's request: 403 through nginx" foreign_origin
trusted_header() {
  local direct_status through
  # The instance believes the header from loopback (the control), but not through nginx.
  direct_status=$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 \
    "http://127.0.0.3:$port/api/ref" -H "Host: velloc.internal:$port" -H 'X-Velloc-User: demo' \
    -H 'Content-Type: application/json' -d '{"field": "cdefine3"}' || true)
  through=$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 --cacert "$work/nginx/cert.pem" \
    "https://localhost:$https_port_trusted/api/ref" -H 'X-Velloc-User: demo' \
    -H 'Content-Type: application/json' -d '{"field": "cdefine3"}' || true)
  echo "  X-Velloc-User from a client: straight $direct_status, through nginx $through"
  [[ $direct_status == 200 && $through == 401 ]]
}
check "a client's own X-Velloc-User never passes nginx" trusted_header
redirect() {
  [[ $(curl -s -o /dev/null -w '%{http_code} %{redirect_url}' "http://127.0.0.1:$http_port/x") == \
    "301 https://127.0.0.1/x" ]]
}
check "plain HTTP redirected to HTTPS" redirect
spread() {  # after a few requests nginx holds idle connections open to each instance
  for _ in 1 2 3 4 5 6; do pick_list || return 1; done
  [[ $(ss -Htn state established "( dst 127.0.0.1:$port )" | grep -c .) -ge 1 &&
     $(ss -Htn state established "( dst 127.0.0.2:$port )" | grep -c .) -ge 1 ]]
}
check "nginx keeps connections open to both instances" spread

client() { python3 tests/deploy/client.py "$@"; }

# --- load -----------------------------------------------------------------------------------
for clients in 1 8; do
  client load "$base/" "$work/nginx/cert.pem" "$work/serve.token" --requests 3000 \
    --threads "$clients" --seconds 5 >"$work/load.$clients.json"
  echo "load, $clients clients through nginx: $(cat "$work/load.$clients.json")"
done
# The same single client straight to one instance: what nginx and TLS add.
client load "http://127.0.0.1:$port/" "$work/nginx/cert.pem" "$work/serve.token" --requests 3000 \
  --threads 1 --seconds 5 --host "velloc.internal:$port" >"$work/load.direct.json"
echo "load, 1 client straight to one instance: $(cat "$work/load.direct.json")"
load_clean() {
  python3 -c 'import json, sys
for name in sys.argv[1:]:
    s = json.load(open(name))
    if s["failed"] != 0 or s["requests"] < 100: sys.exit(1)' "$work/load.1.json" "$work/load.8.json" \
    "$work/load.direct.json"
}
check "load through nginx: every request answered" load_clean

# --- one instance killed and started again --------------------------------------------------
prefix="部署区-$$"
client archive "$base/" "$work/nginx/cert.pem" "$work/serve.token" "$prefix" --requests 3000 \
  --threads 8 --seconds 30 --pause 0.005 >"$work/archive.json" &
archiver=$!
pids+=("$archiver")
sleep 1
kill -9 "${instance_pid[1]}"
wait "${instance_pid[1]}" 2>/dev/null || true
sleep 0.5
start_instance 1
wait "$archiver"
python3 - "$work/archive.json" >"$work/archive.summary" <<'EOF'
import json, sys
s = json.load(open(sys.argv[1]))
codes = list(s["answers"].values())
print(json.dumps({k: s[k] for k in ("requests", "seconds", "per_second", "p50_ms", "p99_ms",
                                   "failed", "statuses", "first_failure", "last_failure_at_s")
                  if k in s}, ensure_ascii=False))
print("archived", sum(1 for c in codes if c == 1))
print("unanswered", " ".join(v for v, c in s["answers"].items() if c is None))
EOF
echo "kill: $(head -1 "$work/archive.summary")"
archived=$(sed -n 's/^archived //p' "$work/archive.summary")
read -ra unanswered <<<"$(sed -n 's/^unanswered//p' "$work/archive.summary")"
requests=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["requests"])' "$work/archive.json")
echo "kill: $requests values sent, $archived answered archived, ${#unanswered[@]} unanswered"
# Each client thread holds one request at a time: at most that many were on the killed instance.
check "kill: only the requests the killed instance held failed (${#unanswered[@]} <= 8)" \
  test "${#unanswered[@]}" -le 8
check "kill: the run went on (all $requests values sent)" test "$requests" -eq 3000
rows() { psql_tarn -c "select count(*), count(distinct cvalue) from userdefine where cvalue like '$prefix-%'"; }
rows_now=$(rows)
echo "kill: UserDefine rows for the run (all, distinct): $rows_now"
# A request cut off may have archived its value before the instance died: at most one row each.
archived_once() {
  local all=${rows_now%%|*} distinct=${rows_now##*|}
  ((all == distinct && all >= archived && all <= archived + ${#unanswered[@]}))
}
check "kill: every archived answer is one row, no value twice" archived_once
# The values cut off, archived again: afterwards every value is there exactly once.
for value in "${unanswered[@]}"; do
  through_nginx /api/validate "{\"field\": \"cdefine3\", \"value\": \"$value\", \"build\": true}" \
    -H "Authorization: Bearer $token" >/dev/null
done
check "kill: after the cut-off values are sent again, $requests rows" \
  test "$(rows)" == "$requests|$requests"
check "kill: both instances serve afterwards" both_serve

# --- PostgreSQL restarted -------------------------------------------------------------------
client load "$base/" "$work/nginx/cert.pem" "$work/serve.token" --requests 100000 --threads 4 \
  --seconds 6 --pause 0.01 >"$work/restart.json" &
loader=$!
pids+=("$loader")
sleep 1.5
as=()
((EUID == 0)) && as=(runuser -u postgres --)
restart_started=$(date +%s.%N)
"${as[@]}" "$PG_BIN/pg_ctl" restart -D "$TARN_POSTGRES_SOCKET_DIR/data" -m fast -w -s >/dev/null
restart_took=$(python3 -c "import time; print(round(time.time() - $restart_started, 2))")
wait "$loader"
echo "restart: PostgreSQL down and up again in ${restart_took} s, at 1.5 s into the run"
echo "restart: $(python3 -c 'import json,sys; s = json.load(open(sys.argv[1])); print(json.dumps({k: s[k] for k in s if k != "answers"}, ensure_ascii=False))' "$work/restart.json")"
# Afterwards: enough requests, four at a time, that every worker thread of both instances
# takes some.
after=$(for i in $(seq 64); do
  (curl -s -o /dev/null -w '%{http_code}\n' --max-time 10 --cacert "$work/nginx/cert.pem" \
    "$base/api/ref" -H 'Content-Type: application/json' -H "Authorization: Bearer $token" \
    -d '{"field": "cdefine3", "match": "华"}' || echo 000) &
  ((i % 4 == 0)) && wait
done; wait)
after_ok=$(grep -c '^200$' <<<"$after" || true)
echo "restart: after PostgreSQL is back, $after_ok of 64 requests answered 200 ($(sort <<<"$after" | uniq -c | tr -s ' \n' ' '))"
check "restart: every request succeeds once PostgreSQL is back" test "$after_ok" -eq 64
check "restart: both instances still running" kill -0 "${instance_pid[1]}" "${instance_pid[2]}"

echo "$passed passed, $failed failed"
((failed == 0))
