// Pages of other sites against a signed-in browser, in Debian's headless Chromium. The browser
// signs in to velloc serve with its token (so it holds the session cookie), then opens attacker
// pages from a small server of this test's own, each trying to archive a new value with a request
// a page may send to any site: a no-cors fetch with a text/plain body, a text/plain form holding
// JSON, and a CORS fetch of JSON (which needs a preflight). The attacker is reached as another port
// of 127.0.0.1 and under other names that Chromium maps to 127.0.0.1; velloc serve is reached as
// 127.0.0.1 and as an --allowed-host name (where Chromium sends no Sec-Fetch-Site, so only the
// Origin check stands), and once under a foreign name (DNS rebinding). Every request that reaches
// the server must be refused, and nothing may be archived; the server's own page, signed in the
// same way, archives a value, so the archiving path the attacks aim at is known to work.
//
// Usage: node cross_site_test.mjs VELLOC
// Exits 77 (skipped) when puppeteer-core is not installed beside it.
import { spawn, execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import path from "node:path";
import { createInterface } from "node:readline";

const [velloc] = process.argv.slice(2);
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const WAIT_MS = 10000;
const WAIT = { timeout: WAIT_MS };
const MARK = "攻击";  // every value this test archives or tries to archive holds it
const ALLOWED = "velloc.test";  // a name velloc serve is told to answer to
const FOREIGN = "evil.test";  // a name that only the attacker uses

let failures = 0;
function expectEqual(what, actual, expected) {
  if (JSON.stringify(actual) !== JSON.stringify(expected)) {
    console.log(`FAIL ${what}: ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
    ++failures;
  } else {
    console.log(`ok   ${what}`);
  }
}

function withTimeout(promise, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer in ${WAIT_MS} ms`)), WAIT_MS);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

function startVelloc(db) {
  const server = spawn(velloc, ["--db", db, "serve", "--port", "0", "--allowed-host", ALLOWED], {
    stdio: ["ignore", "pipe", "inherit"],
  });
  const address = new Promise((resolve, reject) => {
    createInterface({ input: server.stdout }).once("line", (line) => {
      const found = /listening on http:\/\/127\.0\.0\.1:(\d+)\/\?token=(\S+)/.exec(line);
      found ? resolve({ port: Number(found[1]), token: found[2] })
            : reject(new Error(`velloc serve said: ${line}`));
    });
    server.once("exit", (code) => reject(new Error(`velloc serve exited with ${code}`)));
  });
  return { server, address: withTimeout(address, "velloc serve start") };
}

// POST a JSON body to velloc serve as a program would: the token as a bearer token, no Origin.
function apiPost(port, token, route, body) {
  return withTimeout(new Promise((resolve, reject) => {
    const request = http.request({
      host: "127.0.0.1", port, path: route, method: "POST",
      headers: { "Content-Type": "application/json", Authorization: `Bearer ${token}` },
    }, (response) => {
      let text = "";
      response.setEncoding("utf8");
      response.on("data", (chunk) => { text += chunk; });
      response.on("end", () => resolve({ status: response.statusCode, body: JSON.parse(text) }));
    });
    request.on("error", reject);
    request.end(JSON.stringify(body));
  }), `POST ${route}`);
}

// What this test's values look like in the archive, sorted.
async function archived(port, token) {
  const answer = await apiPost(port, token, "/api/ref", { field: "cdefine1", match: MARK });
  if (answer.status !== 200) throw new Error(`/api/ref answered ${answer.status}`);
  return answer.body.rows.map((row) => row[0]).sort();
}

const html = (text) => String(text).replace(/&/g, "&amp;").replace(/"/g, "&quot;")
  .replace(/</g, "&lt;");
const js = (value) => JSON.stringify(value).replace(/</g, "\\u003c");

// The attacks: each page defines attack(), which sends its request to `url` and gives what the
// page could see of the answer (`seen`); `sent` is the body that should go out, null when only the
// preflight may.
const ATTACKS = [
  {
    how: "no-cors fetch of text/plain",
    page: (url, json) => `<script>
      window.attack = () => fetch(${js(url)}, {
        method: "POST", mode: "no-cors", credentials: "include",
        headers: { "Content-Type": "text/plain" }, body: ${js(json)},
      }).then((r) => r.type + " " + r.status, (e) => e.name);
    </script>`,
    seen: "opaque 0",
    sent: (json) => json,
  },
  {
    // The form sends `name=value`: the JSON up to the open string of its last key as the name,
    // and that string's end as the value. The body is JSON the API takes (the value gains a "=").
    how: "text/plain form holding JSON",
    form: true,
    page: (url, json) => `<form method="post" enctype="text/plain" action="${html(url)}">
      <input type="hidden" name="${html(json.slice(0, -2))}" value="${html('"}')}">
    </form>
    <script>window.attack = () => { document.forms[0].submit(); return "submitted"; };</script>`,
    seen: "navigated, 403",
    sent: (json) => `${json.slice(0, -2)}="}\r\n`,
  },
  {
    how: "CORS fetch of application/json",
    page: (url, json) => `<script>
      window.attack = () => fetch(${js(url)}, {
        method: "POST", mode: "cors", credentials: "include",
        headers: { "Content-Type": "application/json" }, body: ${js(json)},
      }).then((r) => "read " + r.status, (e) => e.name);
    </script>`,
    seen: "TypeError",
    sent: () => null,
  },
];

// The attacker's server: GET /N gives attack page N.
function startAttacker(pages) {
  const server = http.createServer((request, response) => {
    const page = pages.get(request.url);
    response.writeHead(page ? 200 : 404, { "Content-Type": "text/html; charset=utf-8" });
    response.end(page ? `<!doctype html><meta charset="utf-8"><title>offer</title>${page}` : "");
  });
  return withTimeout(new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(0, "127.0.0.1", () => resolve(server));
  }), "attacker server start");
}

// The requests a page sends to velloc serve, as Chromium's network layer saw them: method, the
// headers it really sent, and the answer's status (or why there was none).
async function watchRequests(page, vellocPort) {
  const cdp = await page.createCDPSession();
  const seen = new Map();
  const entry = (id) => {
    if (!seen.has(id)) seen.set(id, {});
    return seen.get(id);
  };
  const ours = (url) => new URL(url).port === String(vellocPort);
  cdp.on("Network.requestWillBeSent", (event) => {
    if (ours(event.request.url)) {
      Object.assign(entry(event.requestId),
                    { method: event.request.method, body: event.request.postData ?? null });
    }
  });
  cdp.on("Network.requestWillBeSentExtraInfo", (event) => {
    // The headers Chromium put on the wire, cookies included; it may tell them before the
    // request itself.
    entry(event.requestId).headers = event.headers;
  });
  cdp.on("Network.responseReceived", (event) => {
    if (ours(event.response.url)) entry(event.requestId).status = event.response.status;
  });
  cdp.on("Network.loadingFailed", (event) => {
    if (seen.has(event.requestId)) entry(event.requestId).failed = event.errorText;
  });
  await cdp.send("Network.enable");
  return {
    clear: () => seen.clear(),
    // Waits until `count` requests to velloc serve are known and each is answered or has failed,
    // then lists them: those that went out with what they carried and the answer's status, the
    // others with why not.
    settled: async (count) => {
      const deadline = Date.now() + WAIT_MS;
      for (;;) {
        const requests = [...seen.values()].filter((r) => r.method);
        if (requests.length >= count &&
            requests.every((r) => (r.status !== undefined && r.headers) || r.failed)) {
          return requests.map((r) => {
            if (r.status === undefined) return { method: r.method, failed: r.failed };
            const header = (name) => {
              const key = Object.keys(r.headers).find((k) => k.toLowerCase() === name);
              return key === undefined ? null : r.headers[key];
            };
            return { method: r.method, body: r.body, status: r.status, origin: header("origin"),
                     site: header("sec-fetch-site"), cookie: header("cookie") !== null };
          }).sort((a, b) => a.method.localeCompare(b.method));
        }
        if (Date.now() > deadline) {
          const known = JSON.stringify([...seen.values()].filter((r) => r.method));
          throw new Error(`requests to velloc serve not settled: ${known}`);
        }
        await new Promise((resolve) => setTimeout(resolve, 25));
      }
    },
  };
}

async function signIn(page, base, token) {
  const response = await page.goto(`${base}/?token=${token}`, { waitUntil: "load", ...WAIT });
  await page.waitForSelector("#voucher", { visible: true, ...WAIT });
  const cookies = (await page.cookies(base)).map((c) => [c.httpOnly, c.sameSite]);
  expectEqual(`signed in at ${base}: the page, and an HttpOnly SameSite=Strict session cookie`,
              [response.status(), cookies], [200, [[true, "Strict"]]]);
}

// The server's own page archives a value with its cookie alone.
async function ownPageArchives(page, base, value) {
  await page.goto(`${base}/`, { waitUntil: "load", ...WAIT });
  const answer = await page.evaluate(async (body) => {
    const response = await fetch("/api/validate", {
      method: "POST", headers: { "Content-Type": "application/json" }, body,
    });
    return [response.status, (await response.json()).code];
  }, JSON.stringify({ field: "cdefine1", value, build: true }));
  expectEqual(`control: the page at ${base} archives ${value}`, answer, [200, 1]);
}

async function run(browser, port, token, db) {
  const targets = ["127.0.0.1", ALLOWED].map((name) => `http://${name}:${port}`);
  const page = await browser.newPage();
  const controls = [];
  for (const [i, base] of targets.entries()) {
    await signIn(page, base, token);
    controls.push(`${MARK}${i === 0 ? "·本站" : "·本站别名"}`);
    await ownPageArchives(page, base, controls[i]);
  }
  expectEqual("the controls are in the archive", await archived(port, token), [...controls].sort());

  // One attack page per target, attacker name and kind of request, each with its own value.
  const rows = [];
  for (const base of targets) {
    const target = new URL(base).hostname;
    for (const attacker of ["127.0.0.1", ALLOWED, FOREIGN]) {
      if (attacker === ALLOWED && target !== ALLOWED) continue;
      for (const attack of ATTACKS) rows.push({ base, target, attacker, attack });
    }
  }
  const pages = new Map();
  rows.forEach((row, i) => {
    row.value = `${MARK}${i + 1}`;
    row.path = `/${i + 1}`;
    row.json = JSON.stringify({ field: "cdefine1", build: true, value: row.value });
    pages.set(row.path, row.attack.page(`${row.base}/api/validate`, row.json));
  });
  const attackerServer = await startAttacker(pages);
  try {
    const attackerPort = attackerServer.address().port;
    const requests = await watchRequests(page, port);
    for (const row of rows) {
      const from = `http://${row.attacker}:${attackerPort}`;
      await page.goto(`${from}${row.path}`, { waitUntil: "load", ...WAIT });
      requests.clear();
      let seen;
      if (row.attack.form) {
        const [navigation] = await Promise.all([
          page.waitForNavigation(WAIT),
          page.evaluate(() => { setTimeout(() => window.attack(), 0); }),
        ]);
        seen = navigation ? `navigated, ${navigation.status()}` : "no navigation";
      } else {
        seen = await page.evaluate(() => window.attack());
      }
      // What should have reached the server: the POST itself, or only the preflight the CORS
      // fetch needs (its POST then fails unsent); with the session cookie only when the
      // attacker's name is the target's (the same site: the cookie is SameSite=Strict, and a
      // preflight never carries one); Sec-Fetch-Site only towards 127.0.0.1, a trustworthy
      // origin; and every one refused.
      const body = row.attack.sent(row.json);
      const site = row.target !== "127.0.0.1" ? null
        : row.attacker === row.target ? "same-site" : "cross-site";
      const expected = {
        page: row.attack.seen,
        requests: body === null
          ? [{ method: "OPTIONS", body: null, status: 403, origin: from, site, cookie: false },
             { method: "POST", failed: "net::ERR_FAILED" }]
          : [{ method: "POST", body, status: 403, origin: from, site,
               cookie: row.attacker === row.target }],
      };
      expectEqual(`${row.attack.how} from ${from} to ${row.base} (${row.value}) is refused`,
                  { page: seen, requests: await requests.settled(expected.requests.length) },
                  expected);
    }
  } finally {
    attackerServer.closeAllConnections();
    attackerServer.close();
  }

  // DNS rebinding: a foreign name pointed at velloc serve's own port. The page is refused, and so
  // is a JSON POST from it, even carrying the token (which such a page would not have).
  const rebound = `http://${FOREIGN}:${port}`;
  const response = await page.goto(`${rebound}/`, { waitUntil: "load", ...WAIT });
  const post = await page.evaluate(async (body, bearer) => {
    const answer = await fetch("/api/validate", {
      method: "POST", body,
      headers: { "Content-Type": "application/json", Authorization: `Bearer ${bearer}` },
    });
    return answer.status;
  }, JSON.stringify({ field: "cdefine1", value: `${MARK}${rows.length + 1}`, build: true }), token);
  expectEqual(`${rebound}/ and a POST from it with the token are refused`,
              [response.status(), post], [421, 421]);

  const after = await archived(port, token);
  expectEqual("the archive holds the controls and nothing else", after, [...controls].sort());
  const cli = JSON.parse(execFileSync(velloc, ["--db", db, "--json", "ref", "cdefine1",
                                               "--match", MARK, "--limit", "0"]));
  expectEqual("velloc ref finds the same", cli.rows.map((row) => row[0]).sort(),
              [...controls].sort());
}

async function main() {
  let puppeteer;
  try {
    puppeteer = (await import("puppeteer-core")).default;
  } catch {
    console.log("skipped: puppeteer-core is not installed (run npm ci in tests/serve/browser)");
    process.exit(77);
  }
  const started = Date.now();
  const folder = mkdtempSync(path.join(tmpdir(), "velloc-cross-"));
  const db = path.join(folder, "erp.db");
  let server;
  let browser;
  try {
    execFileSync(velloc, ["--db", db, "demo"], { stdio: "ignore" });
    const serving = startVelloc(db);
    server = serving.server;
    const { port, token } = await serving.address;
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      protocolTimeout: WAIT_MS * 2,
      args: [
        ...(process.getuid && process.getuid() === 0 ? ["--no-sandbox"] : []),
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--no-first-run", "--no-proxy-server",
        // Both test names lead to loopback; any other name resolves to nothing.
        `--host-resolver-rules=MAP ${FOREIGN} 127.0.0.1, MAP ${ALLOWED} 127.0.0.1, ` +
          "MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
      ],
    });
    await run(browser, port, token, db);
  } finally {
    if (browser) await browser.close().catch(() => browser.process()?.kill("SIGKILL"));
    if (server && server.exitCode === null && server.signalCode === null) {
      const gone = new Promise((resolve) => server.once("exit", resolve));
      server.kill("SIGKILL");
      await withTimeout(gone, "velloc serve stop").catch(() => {});
    }
    rmSync(folder, { recursive: true, force: true });
  }
  const seconds = ((Date.now() - started) / 1000).toFixed(1);
  if (failures) throw new Error(`${failures} check(s) failed (${seconds} s)`);
  console.log(`cross-site test passed (${seconds} s)`);
}

main().catch((error) => {
  console.error(`FAILED ${error.message}`);
  process.exitCode = 1;
});
