// The velloc serve page in Debian's headless Chromium: a person signs in with the page's form, a
// pick-list appears under a header item as the user types, a row is chosen with the keys, an alias is replaced by its value on leaving, and
// a new value is archived and then found in the database. Saves a screenshot of the page.
//
// Usage: node page_test.mjs VELLOC [SCREENSHOT.png]
// Exits 77 (skipped) when puppeteer-core is not installed beside it.
import { spawn, execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { createInterface } from "node:readline";

const [velloc, screenshot] = process.argv.slice(2);
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const WAIT = { timeout: 15000 };

function expectEqual(what, actual, expected) {
  if (JSON.stringify(actual) !== JSON.stringify(expected)) {
    throw new Error(`${what}: ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
  }
  console.log(`ok   ${what}`);
}

function startServer(db, people) {
  const server = spawn(velloc, ["--db", db, "serve", "--port", "0", "--users", people], {
    stdio: ["ignore", "pipe", "inherit"],
  });
  const port = new Promise((resolve, reject) => {
    createInterface({ input: server.stdout }).once("line", (line) => {
      const found = /listening on http:\/\/127\.0\.0\.1:(\d+)\//.exec(line);
      found ? resolve(Number(found[1])) : reject(new Error(`velloc serve said: ${line}`));
    });
    server.once("exit", (code) => reject(new Error(`velloc serve exited with ${code}`)));
  });
  return { server, port };
}

async function pickListRows(page, input) {
  const list = `#${input} ~ .picklist`;
  await page.waitForSelector(`${list} tbody tr`, { visible: true, ...WAIT });
  return page.$$eval(`${list} tr`, (rows) =>
    rows.map((row) => [...row.children].map((cell) => cell.textContent)),
  );
}

async function statusOf(page, input, expected) {
  await page.waitForFunction(
    (id, text) => document.querySelector(`#${id} ~ .status`).textContent.includes(text),
    WAIT, input, expected,
  );
  return page.$eval(`#${input} ~ .status`, (status) => status.textContent);
}

async function run(page, port, db) {
  await page.goto(`http://127.0.0.1:${port}/`, { waitUntil: "load" });
  await page.waitForSelector("#sign-in", { visible: true, ...WAIT });
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
  await page.keyboard.press("Enter");
  expectEqual("the chosen row fills the field",
              await page.$eval("#h-cdefine3", (input) => input.value), "华北区");
  await page.keyboard.press("Tab");
  expectEqual("the chosen value is accepted", await statusOf(page, "h-cdefine3", "✓"), "✓");

  await page.type("#b-cdefine22", "R");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  expectEqual("the alias R is replaced on leaving", await statusOf(page, "b-cdefine22", "→"),
              "✓ R → 红色");
  expectEqual("the field holds the value", await page.$eval("#b-cdefine22", (i) => i.value),
              "红色");

  await page.type("#h-cdefine1", "浦东新店");
  await page.keyboard.press("Escape");
  await page.keyboard.press("Tab");
  expectEqual("a value found nowhere is refused",
              await statusOf(page, "h-cdefine1", "refused"), "✗ refusedarchive as a new value");
  await page.click("#h-cdefine1 ~ .status button.archive");
  expectEqual("archiving it", await statusOf(page, "h-cdefine1", "archived"),
              "✓ archived as a new value");
  const found = JSON.parse(
    execFileSync(velloc, ["--db", db, "--json", "validate", "cdefine1", "浦东新店"]),
  );
  expectEqual("the archived value is in the database", [found.code, found.value], [0, "浦东新店"]);

  // A long pick-list arrives a page at a time: the rest comes on scrolling to its end.
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
  await page.type("#h-cdefine9", "BN-");
  expectEqual("the first page of a long pick-list",
              (await pickListRows(page, "h-cdefine9")).length - 1, 50);
  await page.$eval("#h-cdefine9 ~ .picklist", (list) => { list.scrollTop = list.scrollHeight; });
  await page.waitForFunction(
    () => document.querySelectorAll("#h-cdefine9 ~ .picklist tbody tr").length === 100, WAIT);
  expectEqual("the next page arrives on scrolling",
              (await pickListRows(page, "h-cdefine9")).slice(99, 101),
              [["BN-099", ""], ["BN-100", ""]]);
  await page.keyboard.press("Escape");

  await page.type("#f-cfree2", "L");
  expectEqual("free item of inventory 01001", await pickListRows(page, "f-cfree2"), [
    ["自由项2"], ["L"],
  ]);
  await page.click("#h-cdefine3", { clickCount: 3 });
  await page.type("#h-cdefine3", "华");
  await pickListRows(page, "h-cdefine3");
  if (screenshot) await page.screenshot({ path: screenshot });
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
    const started = startServer(db, people);
    server = started.server;
    const port = await started.port;
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      args: process.getuid && process.getuid() === 0 ? ["--no-sandbox"] : [],
    });
    const page = await browser.newPage();
    await page.setViewport({ width: 900, height: 560 });
    await run(page, port, db);
    console.log("page test passed");
  } finally {
    if (browser) await browser.close();
    if (server) server.kill("SIGKILL");
    rmSync(folder, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(`FAILED ${error.message}`);
  process.exitCode = 1;
});
