// The voucher page: each item field shows its pick-list while the user types and checks its
// value when the user leaves it, through velloc serve's JSON API. Plain script, no framework.
"use strict";

const DEBOUNCE_MS = 250;
const PAGE_ROWS = 50;
const MEANINGS = { 0: "accepted", "-1": "refused", "-2": "not archived", 1: "archived as a new value" };

async function callApi(path, body) {
  const response = await fetch(path, {
    method: "POST",
    headers: { "Content-Type": "application/json; charset=utf-8" },
    body: JSON.stringify(body),
  });
  const answer = await response.json();
  if (response.status === 401 && path !== "/api/sign-in") showSignedOut();
  if (answer.error) throw new Error(answer.error.message);
  return answer;
}

// Column widths as the reference gives them (twips, comma-separated) in CSS pixels.
function widthsOf(columnWidth) {
  if (columnWidth === null || columnWidth === undefined || columnWidth === "") return [];
  return String(columnWidth).split(",").map((w) => Math.round(Number(w) / 15));
}

class ItemField {
  constructor(input) {
    this.input = input;
    this.kind = input.dataset.kind;
    this.field = input.dataset.field;
    this.section = input.dataset.section || "header";
    this.status = document.createElement("span");
    this.status.className = "status";
    this.list = document.createElement("div");
    this.list.className = "picklist";
    this.list.hidden = true;
    input.parentElement.append(this.status, this.list);
    this.rows = [];
    this.active = -1;
    this.more = false;
    this.loading = false;
    this.generation = 0;
    this.checked = input.value;
    this.timer = null;
    input.addEventListener("input", () => this.typed());
    input.addEventListener("keydown", (e) => this.key(e));
    input.addEventListener("blur", () => this.left());
    this.list.addEventListener("mousedown", (e) => e.preventDefault());
    this.list.addEventListener("scroll", () => this.scrolled());
  }

  reference(match, offset) {
    const body = { field: this.field, match, limit: PAGE_ROWS, offset };
    if (this.kind === "free") {
      const inventory = document.getElementById("inventory").value.trim();
      if (inventory !== "") body.inventory = inventory;
      return callApi("/api/free-ref", body);
    }
    body.section = this.section;
    return callApi("/api/ref", body);
  }

  typed() {
    clearTimeout(this.timer);
    this.setStatus("", "");
    this.timer = setTimeout(() => this.open(), DEBOUNCE_MS);
  }

  async open() {
    const generation = ++this.generation;
    const match = this.input.value;
    try {
      const answer = await this.reference(match, 0);
      if (generation !== this.generation) return;
      if (!answer.ok) {
        this.close();
        this.setStatus("refused", "no pick-list for this item");
        return;
      }
      this.match = match;
      this.columns = answer.columns;
      this.widths = widthsOf(answer.columnWidth);
      this.rows = answer.rows;
      this.more = answer.more;
      this.active = -1;
      this.render();
    } catch (error) {
      if (generation === this.generation) this.setStatus("failed", error.message);
    }
  }

  render() {
    const table = document.createElement("table");
    const head = table.createTHead().insertRow();
    this.columns.forEach((caption, i) => {
      const th = document.createElement("th");
      th.textContent = caption;
      if (this.widths[i]) th.style.minWidth = this.widths[i] + "px";
      head.append(th);
    });
    const body = table.createTBody();
    this.rows.forEach((row, i) => {
      const tr = body.insertRow();
      tr.className = i === this.active ? "active" : "";
      row.forEach((cell) => {
        tr.insertCell().textContent = cell === null ? "" : String(cell);
      });
      tr.addEventListener("click", () => this.choose(i));
    });
    const scrollTop = this.list.scrollTop;
    this.list.replaceChildren(table);
    if (this.more) {
      const more = document.createElement("div");
      more.className = "more";
      more.textContent = `${this.rows.length} rows — scroll for more`;
      this.list.append(more);
    }
    if (this.rows.length === 0) {
      const none = document.createElement("div");
      none.className = "more";
      none.textContent = "no rows";
      this.list.append(none);
    }
    this.list.scrollTop = scrollTop;
    this.list.hidden = false;
  }

  async scrolled() {
    const list = this.list;
    if (this.loading || !this.more) return;
    if (list.scrollTop + list.clientHeight < list.scrollHeight - 20) return;
    this.loading = true;
    const generation = this.generation;
    try {
      const answer = await this.reference(this.match, this.rows.length);
      if (generation === this.generation && answer.ok) {
        this.rows = this.rows.concat(answer.rows);
        this.more = answer.more;
        this.render();
      }
    } catch (error) {
      this.setStatus("failed", error.message);
    } finally {
      this.loading = false;
    }
  }

  key(event) {
    if (this.list.hidden) {
      if (event.key === "ArrowDown") this.open();
      return;
    }
    if (event.key === "ArrowDown" || event.key === "ArrowUp") {
      event.preventDefault();
      const step = event.key === "ArrowDown" ? 1 : -1;
      this.active = Math.max(0, Math.min(this.rows.length - 1, this.active + step));
      this.render();
      const row = this.list.querySelectorAll("tbody tr")[this.active];
      if (row) row.scrollIntoView({ block: "nearest" });
      if (this.active >= this.rows.length - 3) this.scrolled();
    } else if (event.key === "Enter") {
      event.preventDefault();
      if (this.active >= 0) this.choose(this.active);
    } else if (event.key === "Escape") {
      event.preventDefault();
      this.close();
    }
  }

  choose(index) {
    const cell = this.rows[index][0];
    this.input.value = cell === null ? "" : String(cell);
    this.close();
    this.setStatus("", "");
  }

  close() {
    clearTimeout(this.timer);
    ++this.generation;
    this.list.hidden = true;
    this.list.replaceChildren();
  }

  left() {
    this.close();
    if (this.input.value === this.checked) return;
    this.validate(false);
  }

  async validate(build) {
    const typed = this.input.value;
    if (typed === "") {
      this.checked = typed;
      this.setStatus("", "");
      return;
    }
    const body = { field: this.field, value: typed, build };
    if (this.kind !== "free") body.section = this.section;
    try {
      const answer = await callApi(this.kind === "free" ? "/api/validate-free" : "/api/validate", body);
      if (this.input.value === typed) this.input.value = answer.value;
      this.checked = this.input.value;
      this.showAnswer(answer);
    } catch (error) {
      this.checked = null;
      this.setStatus("failed", error.message);
    }
  }

  showAnswer(answer) {
    const meaning = MEANINGS[answer.code] || answer.meaning;
    if (answer.code === 0) {
      this.setStatus("ok", answer.replaced ? `✓ ${answer.typed} → ${answer.value}` : "✓");
    } else if (answer.code === 1) {
      this.setStatus("ok", `✓ ${meaning}`);
    } else if (answer.code === -1) {
      this.setStatus("refused", `✗ ${meaning}`);
      const archive = document.createElement("button");
      archive.type = "button";
      archive.className = "archive";
      archive.textContent = "archive as a new value";
      archive.addEventListener("mousedown", (e) => e.preventDefault());
      archive.addEventListener("click", () => this.validate(true));
      this.status.append(archive);
    } else {
      this.setStatus("refused", `✗ ${meaning}`);
    }
  }

  setStatus(kind, text) {
    this.status.className = "status " + kind;
    this.status.textContent = text;
  }
}

// Who the page acts for: the voucher form shows once the server knows, else the sign-in form
// (with a people file) or the hint to open the address with the token (single-user).
function showSignedIn(session) {
  document.getElementById("sign-in").hidden = true;
  document.getElementById("token-needed").hidden = true;
  document.getElementById("voucher").hidden = false;
  document.getElementById("who").hidden = false;
  document.getElementById("who-name").textContent = `${session.name} (${session.erpUser})`;
  document.getElementById("sign-out").hidden = !session.signOut;
}

let signInOffered = true;
function showSignedOut() {
  document.getElementById("voucher").hidden = true;
  document.getElementById("who").hidden = true;
  document.getElementById("sign-in").hidden = !signInOffered;
  document.getElementById("token-needed").hidden = signInOffered;
}

async function whoAmI() {
  const response = await fetch("/api/session");
  const answer = await response.json();
  if (response.ok) {
    showSignedIn(answer);
  } else {
    signInOffered = answer.error.message.includes("/api/sign-in");
    showSignedOut();
  }
}

document.getElementById("sign-in").addEventListener("submit", async (event) => {
  event.preventDefault();
  const status = document.getElementById("sign-in-status");
  status.textContent = "";
  try {
    await callApi("/api/sign-in", {
      name: document.getElementById("sign-in-name").value,
      password: document.getElementById("sign-in-password").value,
    });
    document.getElementById("sign-in-password").value = "";
    await whoAmI();
  } catch (error) {
    status.textContent = error.message;
  }
});

document.getElementById("sign-out").addEventListener("click", async () => {
  await callApi("/api/sign-out", {});
  showSignedOut();
});

for (const input of document.querySelectorAll("input[data-field]")) new ItemField(input);
// The form is never sent: the policy of the page allows no inline handler to say so.
document.getElementById("voucher").addEventListener("submit", (event) => event.preventDefault());
whoAmI();
