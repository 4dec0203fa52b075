// The OpenAPI document velloc serve answers at GET /api/openapi.json, checked by a validator of
// OpenAPI 3.1 (pinned in package-lock.json beside this file): the document as served must pass,
// with every reference in it resolved, and each broken copy of it below must fail, so that a
// validator that passes everything would not pass unnoticed.
//
// Usage: node openapi_test.mjs VELLOC
// Exits 77 (skipped) when the validator is not installed beside it (npm ci here).
import { spawn, execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { createInterface } from "node:readline";

let Validator;
try {
  ({ Validator } = await import("@seriousme/openapi-schema-validator"));
} catch {
  console.log("skipped: the validator is not installed (npm ci in tests/serve/openapi)");
  process.exit(77);
}

const [velloc] = process.argv.slice(2);

// Every $ref of the document, with where it stands.
function refs(value, at = "", found = []) {
  if (Array.isArray(value)) value.forEach((item, i) => refs(item, `${at}/${i}`, found));
  else if (value && typeof value === "object") {
    for (const [key, item] of Object.entries(value)) {
      if (key === "$ref" && typeof item === "string") found.push([at, item]);
      else refs(item, `${at}/${key.replaceAll("~", "~0").replaceAll("/", "~1")}`, found);
    }
  }
  return found;
}

function pointed(document, ref) {
  if (!ref.startsWith("#/")) return undefined;
  let value = document;
  for (const part of ref.slice(2).split("/")) {
    value = value?.[part.replaceAll("~1", "/").replaceAll("~0", "~")];
  }
  return value;
}

// The problems of a document: the validator's, then references that lead nowhere.
async function problems(document) {
  const result = await new Validator().validate(structuredClone(document));
  if (!result.valid) return [JSON.stringify(result.errors).slice(0, 300)];
  return refs(document)
    .filter(([, ref]) => pointed(document, ref) === undefined)
    .map(([at, ref]) => `${at}: $ref ${ref} leads nowhere`);
}

// (what is broken, how) over a copy of the served document.
const BROKEN = [
  ["no openapi version", (d) => delete d.openapi],
  ["a path not starting with /", (d) => (d.paths["api/ref"] = d.paths["/api/ref"])],
  ["a status that is not one", (d) => (d.paths["/api/ref"].post.responses["2000"] = { description: "x" })],
  ["a response without its description", (d) => delete d.paths["/api/session"].get.responses["200"].description],
  ["an unknown security scheme type", (d) => (d.components.securitySchemes.bearer.type = "password")],
  ["a reference to a missing schema", (d) => (d.paths["/api/ref"].post.responses["200"].content["application/json"].schema.$ref = "#/components/schemas/nosuch")],
  ["a file reference left as it was", (d) => (d.components.schemas.ref.properties.database.$ref = "error.schema.json#/$defs/database")],
];

async function main() {
  const folder = mkdtempSync(path.join(tmpdir(), "velloc-openapi-"));
  const db = path.join(folder, "erp.db");
  execFileSync(velloc, ["--db", db, "demo"], { stdio: "ignore" });
  const server = spawn(velloc, ["--db", db, "serve", "--port", "0"], {
    stdio: ["ignore", "pipe", "inherit"],
  });
  let failed = 0;
  try {
    const line = await new Promise((resolve) =>
      createInterface({ input: server.stdout }).once("line", resolve),
    );
    const port = /listening on http:\/\/127\.0\.0\.1:(\d+)\//.exec(line)?.[1];
    if (!port) throw new Error(`velloc serve said: ${line}`);
    const answer = await fetch(`http://127.0.0.1:${port}/api/openapi.json`);
    const document = await answer.json();
    const served = await problems(document);
    if (answer.status !== 200 || served.length) {
      failed++;
      console.log(`FAILED the served document (status ${answer.status}): ${served.join("; ")}`);
    } else {
      console.log("ok   the served document is valid OpenAPI 3.1 and its references resolve");
    }
    for (const [what, breakIt] of BROKEN) {
      const copy = structuredClone(document);
      breakIt(copy);
      if ((await problems(copy)).length) console.log(`ok   refused: ${what}`);
      else {
        failed++;
        console.log(`FAILED passed, though broken: ${what}`);
      }
    }
  } finally {
    server.kill("SIGTERM");
    rmSync(folder, { recursive: true, force: true });
  }
  console.log(`${BROKEN.length + 1 - failed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

await main();
