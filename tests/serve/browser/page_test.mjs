// The velloc serve page in Debian's headless Chromium, worked with the keyboard as a clerk would: a
// person signs in with the page's form, a pick-list appears under a header item as the user types,
// Tab and Enter take the highlighted row, ↓ pages past the first window, an alias and a spelling
// are replaced on leaving, refusals say why (in Chinese, and in English for Accept-Language: en),
// nothing is archived without the confirmation, and axe-core finds nothing serious. Saves a
// screenshot of the page, and one of each state into SHOTS-FOLDER when given. The server runs
// with its request log; a failed check prints the log's last lines and the server's standard
// error, so that a wait that ran out says whether its request reached the server.
//
// Usage: node page_test.mjs VELLOC [SCREENSHOT.png] [SHOTS-FOLDER]
// Exits 77 (skipped) when puppeteer-core is not installed beside it.
import { spawn, execFileSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import http from "node:http";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import path from "node:path";
import { createInterface } from "node:readline";

const [velloc, screenshot, shots] = process.argv.slice(2);
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const WAIT = { timeout: 15000 };
const SHORT = { timeout: 10000 };  // for what may be missing: the check then fails and goes on

// What the server has said so far: its request log (a file) and its standard error (kept here);
// and the page's own API requests as the browser saw them leave and come back.
const serverSaid = { log: null, errors: "" };
const pageRequests = [];
const TAIL = 20;

function tracePageRequests(page) {
  const api = (request) => new URL(request.url()).pathname.startsWith("/api/");
  const note = (line) => { pageRequests.push(`${new Date().toISOString()} ${line}`); };
  page.on("request", (request) => {
    if (!api(request)) return;
    const body = request.url().endsWith("/api/sign-in") ? "" : request.postData() ?? "";
    note(`sent ${request.method()} ${request.url()} ${body}`);
  });
  page.on("requestfinished", (request) => {
    if (api(request)) note(`answered ${request.response()?.status()} ${request.url()}`);
  });
  page.on("requestfailed", (request) => {
    if (api(request)) note(`failed ${request.failure()?.errorText} ${request.url()}`);
  });
}

function lastLines(text) {
  return text.split("\n").filter((line) => line !== "").slice(-TAIL).join("\n") || "(nothing)";
}

function printServerTail() {
  let log = "(no log yet)";
  try {
    if (serverSaid.log) log = lastLines(readFileSync(serverSaid.log, "utf8"));
  } catch (error) {
    log = `(unreadable: ${error.message})`;
  }
  console.log(`--- velloc serve's request log, last ${TAIL} lines:\n${log}`);
  console.log(`--- velloc serve's standard error, last ${TAIL} lines:\n` +
              lastLines(serverSaid.errors));
  console.log(`--- the page's API requests, last ${TAIL}:\n` +
              lastLines(pageRequests.join("\n")));
}

let failures = 0;
function expectEqual(what, actual, expected) {
  if (JSON.stringify(actual) !== JSON.stringify(expected)) {
    console.log(`FAIL ${what}: ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
    printServerTail();
    ++failures;
  } else {
    console.log(`ok   ${what}`);
  }
}

async function shoot(page, name) {
  if (!shots) return;
  mkdirSync(shots, { recursive: true });
  await page.screenshot({ path: path.join(shots, `${name}.png`) });
}

function startServer(db, people, log) {
  const server = spawn(velloc, ["--db", db, "serve", "--port", "0", "--users", people,
                                "--log", log], { stdio: ["ignore", "pipe", "pipe"] });
  serverSaid.log = log;
  server.stderr.setEncoding("utf8");
  server.stderr.on("data", (text) => { serverSaid.errors += text; });
  const port = new Promise((resolve, reject) => {
    createInterface({ input: server.stdout }).once("line", (line) => {
      const found = /listening on http:\/\/127\.0\.0\.1:(\d+)\//.exec(line);
      found ? resolve(Number(found[1])) : reject(new Error(`velloc serve said: ${line}`));
    });
    server.once("exit", (code) => reject(new Error(`velloc serve exited with ${code}`)));
  });
  return { server, port };
}

// The rows of a field's list once they are those of what the field holds.
async function pickListRows(page, input) {
  const list = `#${input} ~ .picklist`;
  await page.waitForSelector(`${list} [role=listbox]:not([aria-busy]) tbody tr`,
                             { visible: true, ...WAIT });
  return page.$$eval(`${list} tr`, (rows) =>
    rows.map((row) => [...row.children].map((cell) => cell.textContent)),
  );
}

// The status beside a field once it holds `expected` (or after a while, whatever it holds).
async function statusOf(page, input, expected) {
  await page.waitForFunction(
    (id, text) => document.querySelector(`#${id} ~ .status`).textContent.includes(text),
    SHORT, input, expected,
  ).catch(() => {});
  return page.$eval(`#${input} ~ .status`, (status) => status.textContent);
}

const valueOf = (page, input) => page.$eval(`#${input}`, (field) => field.value);
const focused = (page) => page.evaluate(
  () => document.activeElement.id || document.activeElement.className);

// Replaces what a field holds by typing `text` into it.
async function retype(page, input, text) {
  await page.focus(`#${input}`);
  await page.$eval(`#${input}`, (field) => field.select());
  await page.keyboard.type(text);
}

// What the open list of a field shows to the eye and to a screen reader.
async function listOf(page, input) {
  await page.waitForSelector(`#${input} ~ .picklist [role=listbox]:not([aria-busy]) [role=option]`,
                             { visible: true, ...WAIT });
  return page.$eval(`#${input}`, (field) => {
    const list = document.getElementById(field.getAttribute("aria-controls"));
    const active = document.getElementById(field.getAttribute("aria-activedescendant"));
    return {
      combobox: [field.getAttribute("role"), field.getAttribute("aria-expanded"), list.role],
      values: [...list.querySelectorAll("[role=option]")].map((row) => row.cells[0].textContent),
      marks: [...list.querySelectorAll("mark")].map((mark) => mark.textContent),
      count: list.parentElement.querySelector(".count").textContent,
      active: active ? active.cells[0].textContent : null,
    };
  });
}

// The code the database answers now for `value` of a header item (-1: found nowhere).
function codeNow(db, field, value) {
  return JSON.parse(execFileSync(velloc, ["--db", db, "--json", "validate", field, value])).code;
}

// GET / with an Accept-Language: the page's language and the headers that say it.
function languageOf(port, acceptLanguage) {
  return new Promise((resolve, reject) => {
    const headers = acceptLanguage === null ? {} : { "Accept-Language": acceptLanguage };
    http.get({ host: "127.0.0.1", port, path: "/", headers }, (response) => {
      let body = "";
      response.setEncoding("utf8");
      response.on("data", (chunk) => { body += chunk; });
      response.on("end", () => resolve([
        /<html lang="([^"]*)">/.exec(body)[1],
        response.headers["content-language"], response.headers.vary,
      ]));
    }).on("error", reject);
  });
}

// axe-core's serious and critical findings on the page as it is now.
async function accessibilityFindings(page) {
  const axe = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
  await page.evaluate(axe);
  const found = await page.evaluate(async () => (await axe.run(document)).violations);
  return found.filter((v) => v.impact === "serious" || v.impact === "critical")
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`);
}

async function run(page, port, db, browser) {
  const languages = [
    [null, ["zh-CN", "zh-CN", "Accept-Language"]],
    ["en", ["en", "en", "Accept-Language"]],
    ["en-GB,en;q=0.9", ["en", "en", "Accept-Language"]],
    ["zh-CN,zh;q=0.9,en;q=0.8", ["zh-CN", "zh-CN", "Accept-Language"]],
    ["fr, en;q=0.5", ["en", "en", "Accept-Language"]],
    ["zh;q=0.4, en;q=0.6", ["en", "en", "Accept-Language"]],
    ["zh;q=0.5, en;q=0.5", ["zh-CN", "zh-CN", "Accept-Language"]],
    ["en;q=0", ["zh-CN", "zh-CN", "Accept-Language"]],
    ["de, *", ["zh-CN", "zh-CN", "Accept-Language"]],
    ["en;q=x", ["zh-CN", "zh-CN", "Accept-Language"]],
  ];
  for (const [acceptLanguage, expected] of languages) {
    expectEqual(`GET / for Accept-Language ${acceptLanguage}`,
                await languageOf(port, acceptLanguage), expected);
  }

  await page.goto(`http://127.0.0.1:${port}/`, { waitUntil: "load" });
  await page.waitForSelector("#sign-in", { visible: true, ...WAIT });
  await shoot(page, "sign-in");
  expectEqual("axe-core: nothing serious on the sign-in form",
              await accessibilityFindings(page), []);
  await page.type("#sign-in-name", "wang");
  await page.type("#sign-in-password", "wrong");
  await page.click("#sign-in button[type=submit]");
  await page.waitForFunction(
    () => document.querySelector("#sign-in-status").textContent !== "", WAIT);
  expectEqual("a wrong password is refused",
              await page.$eval("#sign-in-status", (status) => status.textContent),
              "wrong name or password");
  await page.click("#sign-in-password", { clickCount: 3 });
  await page.type("#sign-in-password", "pw-wang-1");
  await page.click("#sign-in button[type=submit]");
  await page.waitForSelector("#voucher", { visible: true, ...WAIT });
  expectEqual("signed in", await page.$eval("#who-name", (who) => who.textContent),
              "wang (demo)");

  await page.type("#h-cdefine3", "华");
  expectEqual("pick-list of 销售区域 for 华", await pickListRows(page, "h-cdefine3"), [
    ["档案值", "别名"], ["华东区", "HD"], ["华北区", "HB"], ["华南区", "HN"],
  ]);
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("ArrowDown");
  expectEqual("the list as a combobox: roles, the matched text, the count, the highlight",
              await listOf(page, "h-cdefine3"), {
                combobox: ["combobox", "true", "listbox"],
                values: ["华东区", "华北区", "华南区"],
                marks: ["华", "华", "华"],
                count: "3 行",
                active: "华北区",
              });
  await shoot(page, "pick-list");
  expectEqual("axe-core: nothing serious with the list open",
              await accessibilityFindings(page), []);
  // Tab while Enter's check is on its way waits for that check rather than asking again.
  await page.keyboard.press("Enter");
  await page.keyboard.press("Tab");
  const checksOf = (value) => pageRequests.filter((line) =>
    line.includes("sent POST") && line.includes("/api/validate ") &&
    line.includes(`"value":"${value}"`)).length;
  expectEqual("Enter takes the highlighted row; Tab at once: one check, the cursor moves on with ✓",
              [await valueOf(page, "h-cdefine3"), await statusOf(page, "h-cdefine3", "✓"),
               await focused(page), checksOf("华北区")],
              ["华北区", "✓", "h-cdefine9", 1]);

  // Tab takes the highlighted row, checks it and moves on.
  await retype(page, "h-cdefine3", "华");
  await pickListRows(page, "h-cdefine3");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Tab");
  await page.waitForFunction(() => document.activeElement.id === "h-cdefine9", SHORT)
    .catch(() => {});
  expectEqual("Tab takes the highlighted row and moves on once it is accepted",
              [await valueOf(page, "h-cdefine3"), await statusOf(page, "h-cdefine3", "✓"),
               await focused(page)],
              ["华东区", "✓", "h-cdefine9"]);

  // The keyboard-only accident (type 华, ↓↓, Tab, Shift+Tab, Enter) archives nothing.
  await retype(page, "h-cdefine3", "华");
  await pickListRows(page, "h-cdefine3");
  for (const key of ["ArrowDown", "ArrowDown", "Tab"]) await page.keyboard.press(key);
  await page.waitForFunction(() => document.activeElement.id === "h-cdefine9", SHORT)
    .catch(() => {});
  await page.keyboard.down("Shift");
  await page.keyboard.press("Tab");
  await page.keyboard.up("Shift");
  await page.keyboard.press("Enter");
  expectEqual("type 华, ↓↓, Tab, Shift+Tab, Enter: 华北区 taken, 华 not archived",
              [await valueOf(page, "h-cdefine3"), await focused(page),
               codeNow(db, "cdefine3", "华")],
              ["华北区", "h-cdefine3", -1]);
  // Refused, the fragment holds the cursor; a second Tab reaches the offer, whose Enter only
  // opens the confirmation, where Enter cancels.
  await retype(page, "h-cdefine3", "华");
  await page.keyboard.press("Tab");
  expectEqual("a refused fragment holds the cursor and says why",
              [await statusOf(page, "h-cdefine3", "档案"), await focused(page)],
              ["✗ 不在档案中，也不是别名 存为新值…", "h-cdefine3"]);
  await shoot(page, "refused");
  await page.keyboard.press("Tab");
  await page.keyboard.press("Enter");
  const dialogFocus = await focused(page);
  await page.keyboard.press("Enter");
  expectEqual("Tab, Enter, Enter after the refusal: the dialog opened on Cancel, nothing archived",
              [dialogFocus, await page.$eval("#archive-dialog", (d) => d.open),
               codeNow(db, "cdefine3", "华")],
              ["archive-cancel", false, -1]);

  // A whole-number item does not offer archiving 12.5.
  await retype(page, "h-cdefine4", "12.5");
  await page.keyboard.press("Tab");
  expectEqual("12.5 in 件数: the reason, no offer, the cursor kept",
              [await statusOf(page, "h-cdefine4", "档案"),
               await page.$$eval("#h-cdefine4 ~ .status button", (b) => b.length),
               await focused(page)],
              ["✗ 不在档案中，也不是别名", 0, "h-cdefine4"]);
  await page.keyboard.press("Escape");
  await page.$eval("#h-cdefine4", (field) => { field.value = ""; });
  await page.keyboard.press("Tab");

  // The confirmation lists the similar values; choosing one fills the field.
  await retype(page, "h-cdefine3", "华东 区");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  await statusOf(page, "h-cdefine3", "档案");
  await page.click("#h-cdefine3 ~ .status button.archive").catch(() => {});
  await page.waitForSelector("#archive-dialog[open]", SHORT).catch(() => {});
  expectEqual("the confirmation for 华东 区 lists 华东区 first (then those one character off it)",
              await page.$$eval("#archive-similar-values button",
                                (buttons) => buttons.map((button) => button.textContent)),
              ["华东区", "华北区", "华南区"]);
  await shoot(page, "confirm-archive");
  await page.click("#archive-similar-values button").catch(() => {});
  expectEqual("choosing it fills the field, archives nothing",
              [await statusOf(page, "h-cdefine3", "✓"), await valueOf(page, "h-cdefine3"),
               codeNow(db, "cdefine3", "华东 区")],
              ["✓", "华东区", -1]);

  // The archive's spelling replaces a different case.
  await retype(page, "h-cdefine3", "export");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  expectEqual("export is kept as the archive spells it",
              [await statusOf(page, "h-cdefine3", "Export"), await valueOf(page, "h-cdefine3")],
              ["✓ 已按档案中的写法“Export”接受", "Export"]);

  // An answer that comes after the person typed on in the field is of a value it no longer holds:
  // it neither moves the cursor on nor marks what the field now holds as checked.
  const slowValidation = (request) => {
    if (request.url().endsWith("/api/validate")) setTimeout(() => request.continue(), 1000);
    else request.continue();
  };
  await page.setRequestInterception(true);
  page.on("request", slowValidation);
  await retype(page, "h-cdefine3", "EXPORT");  // Export, already the latest chosen: recent stays
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");  // held in the field until the answer
  await retype(page, "h-cdefine3", "华");
  await pickListRows(page, "h-cdefine3");
  await new Promise((resolve) => setTimeout(resolve, 1500));  // the slow answer has come
  expectEqual("a slow answer of a value the field no longer holds moves nothing",
              [await focused(page), await valueOf(page, "h-cdefine3"),
               await page.$eval("#h-cdefine3 ~ .status", (status) => status.textContent)],
              ["h-cdefine3", "华", ""]);
  page.off("request", slowValidation);
  await page.setRequestInterception(false);
  await page.keyboard.press("Tab");
  expectEqual("then Tab checks what it holds", await statusOf(page, "h-cdefine3", "档案"),
              "✗ 不在档案中，也不是别名 存为新值…");
  await page.keyboard.press("Escape");
  await page.$eval("#h-cdefine3", (field) => { field.value = ""; });

  await page.type("#b-cdefine22", "R");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  expectEqual("the alias R is replaced on leaving", await statusOf(page, "b-cdefine22", "红色"),
              "✓ 别名 R 已替换为 红色");
  expectEqual("the field holds the value", await page.$eval("#b-cdefine22", (i) => i.value),
              "红色");

  await page.type("#h-cdefine1", "浦东新店");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  expectEqual("a value found nowhere is refused, with the offer",
              await statusOf(page, "h-cdefine1", "存为"), "✗ 不在档案中，也不是别名 存为新值…");
  await page.click("#h-cdefine1 ~ .status button.archive").catch(() => {});
  await page.waitForSelector("#archive-dialog[open]", SHORT).catch(() => {});
  expectEqual("axe-core: nothing serious with the confirmation open",
              await accessibilityFindings(page), []);
  await page.click("#archive-confirm").catch(() => {});
  expectEqual("archiving it once confirmed", await statusOf(page, "h-cdefine1", "存档"),
              "✓ 已作为新值存档");
  const found = JSON.parse(
    execFileSync(velloc, ["--db", db, "--json", "validate", "cdefine1", "浦东新店"]),
  );
  expectEqual("the archived value is in the database", [found.code, found.value], [0, "浦东新店"]);

  // The values chosen here come first when the field is opened empty.
  await retype(page, "h-cdefine3", "");
  await page.keyboard.press("Backspace");
  await page.keyboard.press("Tab");
  await page.keyboard.down("Shift");
  await page.keyboard.press("Tab");
  await page.keyboard.up("Shift");
  await page.waitForSelector("#h-cdefine3 ~ .picklist tbody[role=group]", SHORT).catch(() => {});
  expectEqual("recently chosen values first in an empty field",
              await page.$$eval("#h-cdefine3 ~ .picklist tbody[role=group] [role=option]",
                                (rows) => rows.map((row) => row.cells[0].textContent)),
              ["Export", "华东区", "华北区"]);
  await shoot(page, "recent");
  await page.keyboard.press("Escape");

  // A long pick-list arrives a window at a time: ↓ past the last row loaded asks for the next
  // window after it, and scrolling to the end does too.
  for (let i = 1; i <= 120; ++i) {
    const answer = await page.evaluate(async (value) => {
      const response = await fetch("/api/validate", {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify({ field: "cdefine9", value, build: true }),
      });
      return (await response.json()).code;
    }, `BN-${String(i).padStart(3, "0")}`);
    if (answer !== 1) throw new Error(`archiving BN-${i} answered ${answer}`);
  }
  const windows = [];
  const seen = async (response) => {
    if (!response.url().endsWith("/api/ref")) return;
    const asked = JSON.parse(response.request().postData());
    if (asked.match === "BN-") windows.push([asked, await response.json()]);
  };
  page.on("response", seen);
  await retype(page, "h-cdefine9", "BN-");
  expectEqual("the first window of a long pick-list",
              (await pickListRows(page, "h-cdefine9")).length - 1, 50);
  for (let i = 0; i < 50; ++i) await page.keyboard.press("ArrowDown");
  const atFifty = await listOf(page, "h-cdefine9");
  expectEqual("↓ to the 50th row", [atFifty.active, atFifty.count],
              ["BN-050", "已显示 50 行，还有更多（↓ 继续）"]);
  await page.keyboard.press("ArrowDown");
  await page.waitForFunction(
    () => document.querySelectorAll("#h-cdefine9 ~ .picklist [role=option]").length === 100, WAIT);
  await shoot(page, "next-window");
  expectEqual("↓ past the 50th row loads the next window and moves on to its first row",
              (await listOf(page, "h-cdefine9")).active, "BN-051");
  expectEqual("the next window is asked for after the cursor of the first",
              windows.length === 2 && windows[1][0].after === windows[0][1].next &&
                typeof windows[0][1].next === "string", true);
  page.off("response", seen);
  await page.$eval("#h-cdefine9 ~ .picklist", (list) => { list.scrollTop = list.scrollHeight; });
  await page.waitForFunction(
    () => document.querySelectorAll("#h-cdefine9 ~ .picklist tbody tr").length === 120, WAIT);
  expectEqual("the rest arrives on scrolling",
              (await pickListRows(page, "h-cdefine9")).slice(99, 101),
              [["BN-099", ""], ["BN-100", ""]]);
  await page.keyboard.press("Escape");
  expectEqual("Esc restores what was typed", await valueOf(page, "h-cdefine9"), "BN-");

  await page.type("#f-cfree2", "L");
  expectEqual("free item of inventory 01001", await pickListRows(page, "f-cfree2"), [
    ["自由项2"], ["L"],
  ]);
  await page.keyboard.press("Enter");
  expectEqual("Enter takes the only row", [await valueOf(page, "f-cfree2"),
                                           await statusOf(page, "f-cfree2", "✓")], ["L", "✓"]);
  await retype(page, "inventory", "99999");
  await page.keyboard.press("Tab");
  expectEqual("an unknown inventory code is said beside it",
              await page.waitForFunction(
                () => document.getElementById("inventory-status").textContent, SHORT)
                .then((h) => h.jsonValue(), () => ""),
              "存货编码“99999”不存在");
  await shoot(page, "unknown-inventory");
  await retype(page, "inventory", "01001");
  await page.keyboard.press("Tab");

  await page.click("#h-cdefine3", { clickCount: 3 });
  await page.type("#h-cdefine3", "华");
  await pickListRows(page, "h-cdefine3");
  if (screenshot) await page.screenshot({ path: screenshot });

  // The same session in English: the page's texts and the reasons.
  const english = await browser.newPage();
  await english.setViewport({ width: 900, height: 560 });
  await english.setExtraHTTPHeaders({ "Accept-Language": "en-US,en;q=0.9" });
  await english.goto(`http://127.0.0.1:${port}/`, { waitUntil: "load" });
  await english.waitForSelector("#voucher", { visible: true, ...WAIT });
  await retype(english, "h-cdefine4", "12.5");
  await english.keyboard.press("Tab");
  expectEqual("in English: the heading, the legend and the reason of a refusal",
              [await english.$eval("h1 span", (h) => h.textContent),
               await english.$eval("#voucher legend", (l) => l.textContent),
               await statusOf(english, "h-cdefine4", "archive")],
              ["Sales order", "Header", "✗ Not in the archive and not an alias."]);
  await shoot(english, "refused-english");
  expectEqual("axe-core: nothing serious in English", await accessibilityFindings(english), []);
  await english.close();
}

async function main() {
  let puppeteer;
  try {
    puppeteer = (await import("puppeteer-core")).default;
  } catch {
    console.log("skipped: puppeteer-core is not installed (run npm ci in tests/serve/browser)");
    process.exit(77);
  }
  const folder = mkdtempSync(path.join(tmpdir(), "velloc-page-"));
  const db = path.join(folder, "erp.db");
  let server;
  let browser;
  try {
    execFileSync(velloc, ["--db", db, "demo"], { stdio: "ignore" });
    const people = path.join(folder, "people.json");
    execFileSync(velloc, ["user", "--users", people, "add", "wang", "--erp-user", "demo"],
                 { input: "pw-wang-1\n", stdio: ["pipe", "ignore", "inherit"] });
    const started = startServer(db, people, path.join(folder, "requests.log"));
    server = started.server;
    const port = await started.port;
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      args: process.getuid && process.getuid() === 0 ? ["--no-sandbox"] : [],
    });
    const page = await browser.newPage();
    tracePageRequests(page);
    await page.setViewport({ width: 900, height: 560 });
    await page.setExtraHTTPHeaders({ "Accept-Language": "zh-CN,zh;q=0.9" });
    await run(page, port, db, browser);
  } catch (error) {
    // A wait that ran out, or a step that threw: what the server saw up to here.
    printServerTail();
    throw error;
  } finally {
    if (browser) await browser.close();
    if (server) server.kill("SIGKILL");
    rmSync(folder, { recursive: true, force: true });
  }
  if (failures > 0) throw new Error(`${failures} checks failed`);
  console.log("page test passed");
}

main().catch((error) => {
  console.error(`FAILED ${error.message}`);
  process.exitCode = 1;
});
