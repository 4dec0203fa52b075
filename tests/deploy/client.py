#!/usr/bin/env python3
"""The HTTPS client of tests/deploy/run.sh: threads, each on its own keep-alive connection to
nginx, send a bounded number of requests and the run prints one JSON summary.

  client.py load    URL CA TOKEN --requests N --threads T [--seconds S]
      pick-lists (POST /api/ref, header item 3 narrowed to 华): requests/s, p50, p99, failures
  client.py archive URL CA TOKEN PREFIX --requests N --threads T [--seconds S]
      PREFIX-0 .. PREFIX-(N-1) validated with build: true, one each: every answer's value and
      code, and which requests got no answer from velloc

URL is nginx's https:// address (CA its certificate), or an instance's http:// address with
--host naming the Host nginx would send. A request gets 10 s; a run stops sending after S seconds (60) whatever is left. The token is
read from the file TOKEN.
"""
import argparse
import http.client
import json
import socket
import ssl
import sys
import threading
import time
import urllib.parse


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["load", "archive"])
    parser.add_argument("url")
    parser.add_argument("ca")
    parser.add_argument("token")
    parser.add_argument("prefix", nargs="?", default="")
    parser.add_argument("--requests", type=int, required=True)
    parser.add_argument("--threads", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--host", help="the Host header (an instance reached without nginx)")
    parser.add_argument("--pause", type=float, default=0, help="seconds between one thread's requests")
    args = parser.parse_args()

    url = urllib.parse.urlsplit(args.url)
    context = ssl.create_default_context(cafile=args.ca)
    with open(args.token, encoding="utf-8") as f:
        token = f.read().strip()
    headers = {"Authorization": "Bearer " + token, "Content-Type": "application/json"}
    if args.host:
        headers["Host"] = args.host

    lock = threading.Lock()
    next_index = [0]
    results = []  # (index, status or None, body or error, latency ms, finished at)
    stop_at = time.monotonic() + args.seconds
    started = time.monotonic()

    def body_of(index):
        if args.mode == "load":
            return {"field": "cdefine3", "match": "华"}
        return {"field": "cdefine3", "value": f"{args.prefix}-{index}", "build": True}

    def worker():
        connection = None
        while True:
            with lock:
                index = next_index[0]
                if index >= args.requests or time.monotonic() > stop_at:
                    return
                next_index[0] += 1
            if connection is None:
                if url.scheme == "https":
                    connection = http.client.HTTPSConnection(url.hostname, url.port,
                                                             context=context, timeout=10)
                else:
                    connection = http.client.HTTPConnection(url.hostname, url.port, timeout=10)
                connection.connect()
                connection.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            sent = time.monotonic()
            try:
                connection.request("POST", "/api/ref" if args.mode == "load" else "/api/validate",
                                   json.dumps(body_of(index)), headers)
                answer = connection.getresponse()
                text = answer.read().decode("utf-8", "replace")
                status = answer.status
                if answer.getheader("Connection", "").lower() == "close":
                    connection.close()
                    connection = None
            except (OSError, http.client.HTTPException) as e:
                status, text = None, f"{type(e).__name__}: {e}"
                connection.close()
                connection = None
            done = time.monotonic()
            with lock:
                results.append((index, status, text, (done - sent) * 1000, done - started))
            if args.pause:
                time.sleep(args.pause)

    threads = [threading.Thread(target=worker) for _ in range(args.threads)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.monotonic() - started

    latencies = sorted(r[3] for r in results)
    def pct(p):
        return round(latencies[int(p * (len(latencies) - 1))], 2) if latencies else None
    summary = {
        "requests": len(results),
        "seconds": round(elapsed, 2),
        "per_second": round(len(results) / elapsed, 1) if elapsed else 0,
        "p50_ms": pct(0.50),
        "p99_ms": pct(0.99),
        "max_ms": round(latencies[-1], 2) if latencies else None,
        "ok": sum(1 for r in results if r[1] == 200),
        "failed": sum(1 for r in results if r[1] != 200),
        "statuses": {},
    }
    for r in results:
        summary["statuses"][str(r[1])] = summary["statuses"].get(str(r[1]), 0) + 1
    # The first failure and the last, and when the last success came: what a fault looked like.
    failures = sorted((r for r in results if r[1] != 200), key=lambda r: r[4])
    if failures:
        summary["first_failure"] = {"at_s": round(failures[0][4], 2), "status": failures[0][1],
                                    "body": failures[0][2][:200]}
        summary["last_failure_at_s"] = round(failures[-1][4], 2)
    if args.mode == "archive":
        answers = {}
        for index, status, text, _, _ in results:
            value = f"{args.prefix}-{index}"
            code = None
            if status == 200:
                try:
                    code = json.loads(text).get("code")
                except ValueError:
                    pass
            answers[value] = code
        summary["answers"] = answers
    json.dump(summary, sys.stdout, ensure_ascii=False)
    print()


if __name__ == "__main__":
    main()
