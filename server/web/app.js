// The voucher page: each item field is a combobox that shows its pick-list while the clerk types
// and checks its value when the clerk leaves it, through velloc serve's JSON API. Plain script, no
// framework; the page's texts come from texts.js.
//
// Keys in an item field:
//   ↓ / ↑      open the list, move the highlight; ↓ on the last loaded row loads the next window
//   Enter      takes the highlighted row (or the only row) and checks it; the cursor stays
//   Tab        takes the highlighted row (or the only row), checks the value and moves on only
//              when it is accepted; a refused value keeps the cursor with its reason shown, and a
//              second Tab (or Shift+Tab, or the mouse) leaves it as it is
//   Esc        closes the list and restores what the clerk typed
// Archiving a refused value as a new one is offered only when the server says it may be archived,
// and is sent only from the confirmation dialog's own button; the dialog's focus starts on Cancel.
"use strict";

const DEBOUNCE_MS = 250;
const PAGE_ROWS = 50;

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

// `value` as text nodes, its first occurrence of `match` (ignoring letter case) in a <mark>.
function highlighted(value, match) {
  const fragment = document.createDocumentFragment();
  const lower = value.toLocaleLowerCase();
  const at = match === "" || lower.length !== value.length
    ? -1 : lower.indexOf(match.toLocaleLowerCase());
  if (at < 0) {
    fragment.append(value);
    return fragment;
  }
  const mark = document.createElement("mark");
  mark.textContent = value.slice(at, at + match.length);
  fragment.append(value.slice(0, at), mark, value.slice(at + match.length));
  return fragment;
}

function cellText(cell) {
  return cell === null || cell === undefined ? "" : String(cell);
}

// The element that follows `element` in the keyboard's order, or null.
function focusableAfter(element) {
  const all = [...document.querySelectorAll("input, button, select, textarea, [tabindex]")]
    .filter((e) => !e.disabled && e.tabIndex >= 0 && e.getClientRects().length > 0);
  return all[all.indexOf(element) + 1] || null;
}

// The confirmation before a value becomes a new archive value. Resolves to "archive", to
// {similar: value} when the clerk picks one of the similar values, or to "" (cancelled, also Esc).
const archiveDialog = {
  ask(value, similar) {
    const dialog = document.getElementById("archive-dialog");
    document.getElementById("archive-text").textContent = text("dialogText", value);
    document.getElementById("archive-similar").hidden = similar.length === 0;
    const list = document.getElementById("archive-similar-values");
    list.replaceChildren(...similar.map((candidate, i) => {
      const item = document.createElement("li");
      const button = document.createElement("button");
      button.type = "button";
      button.className = "similar";
      button.textContent = candidate;
      button.addEventListener("click", () => dialog.close(`similar:${i}`));
      item.append(button);
      return item;
    }));
    document.getElementById("archive-confirm").onclick = () => dialog.close("archive");
    document.getElementById("archive-cancel").onclick = () => dialog.close("");
    dialog.returnValue = "";
    dialog.showModal();
    document.getElementById("archive-cancel").focus();
    return new Promise((resolve) => {
      dialog.addEventListener("close", () => {
        const choice = dialog.returnValue;
        const picked = choice.startsWith("similar:") ? similar[Number(choice.slice(8))] : null;
        resolve(picked === null ? choice : { similar: picked });
      }, { once: true });
    });
  },
};

// The message beside the inventory code when the server does not know it.
function showInventory(unknown) {
  const code = document.getElementById("inventory").value.trim();
  document.getElementById("inventory-status").textContent =
    unknown ? text("unknownInventoryCode", code) : "";
  document.getElementById("inventory").setAttribute("aria-invalid", unknown ? "true" : "false");
}

class ItemField {
  constructor(input) {
    this.input = input;
    this.kind = input.dataset.kind;
    this.field = input.dataset.field;
    this.section = input.dataset.section || "header";
    const id = input.id;
    this.status = document.createElement("span");
    this.status.className = "status";
    this.status.id = `${id}-status`;
    this.status.setAttribute("aria-live", "polite");
    this.popup = document.createElement("div");
    this.popup.className = "picklist";
    this.popup.hidden = true;
    this.table = document.createElement("table");
    this.table.id = `${id}-list`;
    this.table.setAttribute("role", "listbox");
    this.table.setAttribute("aria-label", input.labels[0].textContent);
    this.count = document.createElement("div");
    this.count.className = "count";
    this.count.setAttribute("aria-live", "polite");
    this.popup.append(this.table, this.count);
    input.parentElement.append(this.status, this.popup);
    input.setAttribute("role", "combobox");
    input.setAttribute("aria-autocomplete", "list");
    input.setAttribute("aria-expanded", "false");
    input.setAttribute("aria-controls", this.table.id);
    input.setAttribute("aria-describedby", this.status.id);

    this.options = [];  // {value, cells, recent}: the recently chosen values, then the rows
    this.recentCount = 0;
    this.rows = 0;
    this.active = -1;
    this.match = null;  // what the shown rows were asked for; null once the clerk typed since
    this.more = false;
    this.next = null;
    this.loading = false;
    this.scrolledByKeys = false;
    this.generation = 0;
    this.checked = input.value;  // the value last checked (accepted or not)
    this.typed = input.value;  // what the clerk typed, which Esc restores
    this.held = null;  // the value Tab already stopped at once
    this.checking = null;  // the check on its way: { value, answer }
    this.timer = null;
    input.addEventListener("input", () => this.changed());
    input.addEventListener("keydown", (e) => this.key(e));
    input.addEventListener("focus", () => this.entered());
    input.addEventListener("blur", () => this.left());
    this.popup.addEventListener("mousedown", (e) => e.preventDefault());
    this.popup.addEventListener("scroll", () => this.scrolled());
  }

  itemKeys() {
    return this.kind === "free"
      ? { field: this.field, kind: "free" } : { field: this.field, section: this.section };
  }

  reference(match, window) {
    const body = { field: this.field, match, limit: PAGE_ROWS, ...window };
    if (this.kind === "free") {
      const inventory = document.getElementById("inventory").value.trim();
      if (inventory !== "") body.inventory = inventory;
      return callApi("/api/free-ref", body);
    }
    body.section = this.section;
    return callApi("/api/ref", body);
  }

  // The clerk's recently chosen values for this item; none when the server cannot say.
  async recentValues() {
    try {
      const answer = await callApi("/api/recent", this.itemKeys());
      return Array.isArray(answer.values) ? answer.values : [];
    } catch {
      return [];
    }
  }

  changed() {
    clearTimeout(this.timer);
    ++this.generation;  // rows asked for before are no longer wanted
    this.typed = this.input.value;
    this.match = null;
    this.highlight(-1);
    this.table.setAttribute("aria-busy", "true");  // the rows shown are for what was typed before
    this.setStatus("", "");
    this.timer = setTimeout(() => this.open(), DEBOUNCE_MS);
  }

  async entered() {
    this.typed = this.input.value;
    if (this.input.value !== "") return;
    const generation = this.generation;
    const recent = await this.recentValues();
    const still = document.activeElement === this.input && this.input.value === "";
    if (recent.length > 0 && still && generation === this.generation) this.open(recent);
  }

  // Shows the rows for what the field holds; `recent` (else asked for when the field is empty)
  // come first.
  async open(recent) {
    clearTimeout(this.timer);
    const generation = ++this.generation;
    const match = this.input.value;
    try {
      const [answer, recentValues] = await Promise.all([
        this.reference(match, { offset: 0 }),
        recent || (match === "" ? this.recentValues() : []),
      ]);
      if (generation !== this.generation) return;
      if (!answer.ok) {
        this.close();
        this.showRefusal(answer);
        return;
      }
      const inventoryUnknown = answer.reason && answer.reason.code === "unknown_inventory";
      if (this.kind === "free") showInventory(inventoryUnknown);
      this.match = match;
      this.columns = answer.columns;
      this.widths = widthsOf(answer.columnWidth);
      // A recent value shows the columns of its row when the first window holds it.
      const rowOf = new Map(answer.rows.map((cells) => [cellText(cells[0]), cells]));
      this.options = recentValues.map((value) => ({
        value, cells: rowOf.get(value) || [value], recent: true,
      }));
      this.recentCount = this.options.length;
      this.rows = 0;
      this.active = -1;
      this.add(answer);
    } catch (error) {
      if (generation === this.generation) this.setStatus("failed", text("failed", error.message));
    }
  }

  add(answer) {
    for (const cells of answer.rows) {
      this.options.push({ value: cellText(cells[0]), cells, recent: false });
    }
    this.rows += answer.rows.length;
    this.more = answer.more === true;
    this.next = typeof answer.next === "string" ? answer.next : null;
    this.render();
  }

  optionId(index) {
    return `${this.input.id}-option-${index}`;
  }

  render() {
    const head = document.createElement("thead");
    head.setAttribute("aria-hidden", "true");
    const headRow = head.insertRow();
    this.columns.forEach((caption, i) => {
      const th = document.createElement("th");
      th.textContent = caption;
      if (this.widths[i]) th.style.minWidth = this.widths[i] + "px";
      headRow.append(th);
    });
    const bodies = [head];
    const recent = document.createElement("tbody");
    const rows = document.createElement("tbody");
    rows.setAttribute("role", "presentation");
    if (this.recentCount > 0) {
      recent.setAttribute("role", "group");
      recent.setAttribute("aria-label", text("recent"));
      const label = recent.insertRow();
      label.className = "group";
      label.setAttribute("aria-hidden", "true");
      const cell = label.insertCell();
      cell.colSpan = this.columns.length;
      cell.textContent = text("recent");
      bodies.push(recent);
    }
    bodies.push(rows);
    this.options.forEach((option, i) => {
      const tr = (option.recent ? recent : rows).insertRow();
      tr.id = this.optionId(i);
      tr.setAttribute("role", "option");
      tr.setAttribute("aria-selected", String(i === this.active));
      if (i === this.active) tr.className = "active";
      this.columns.forEach((caption, c) => {
        tr.insertCell().append(highlighted(cellText(option.cells[c]), this.match || ""));
      });
      tr.addEventListener("click", () => this.takeAndCheck(i));
    });
    const scrollTop = this.popup.scrollTop;
    this.table.replaceChildren(...bodies);
    this.table.removeAttribute("aria-busy");
    this.count.textContent = this.rows === 0 ? text("noRows")
      : this.more ? text("rowsOfMore", this.rows) : text("rows", this.rows);
    this.popup.hidden = false;
    this.popup.scrollTop = scrollTop;
    this.input.setAttribute("aria-expanded", "true");
    this.highlight(this.active);
  }

  highlight(index) {
    const before = document.getElementById(this.optionId(this.active));
    if (before) {
      before.className = "";
      before.setAttribute("aria-selected", "false");
    }
    this.active = index;
    const row = document.getElementById(this.optionId(index));
    if (index < 0 || !row) {
      this.input.removeAttribute("aria-activedescendant");
      return;
    }
    row.className = "active";
    row.setAttribute("aria-selected", "true");
    // The scroll this causes is the keys', which load the next window only past the last row.
    const { scrollTop } = this.popup;
    row.scrollIntoView({ block: "nearest" });
    if (this.popup.scrollTop !== scrollTop) this.scrolledByKeys = true;
    this.input.setAttribute("aria-activedescendant", row.id);
  }

  // The next window of rows, after the last one shown; `thenHighlight` moves the highlight to its
  // first row.
  async loadMore(thenHighlight) {
    if (this.loading || !this.more || this.match === null) return;
    this.loading = true;
    const generation = this.generation;
    const first = this.options.length;
    try {
      const window = this.next !== null ? { after: this.next } : { offset: this.rows };
      const answer = await this.reference(this.match, window);
      if (generation === this.generation && answer.ok) {
        this.add(answer);
        if (thenHighlight && this.options.length > first) this.highlight(first);
      }
    } catch (error) {
      this.setStatus("failed", text("failed", error.message));
    } finally {
      this.loading = false;
    }
  }

  scrolled() {
    if (this.scrolledByKeys) {
      this.scrolledByKeys = false;
      return;
    }
    const list = this.popup;
    if (list.scrollTop + list.clientHeight >= list.scrollHeight - 20) this.loadMore(false);
  }

  // The row Tab or Enter takes: the highlighted one, else the only one; -1 when none. Rows shown
  // for something other than what the field now holds are never taken.
  takeable() {
    if (this.popup.hidden || this.match !== this.input.value) return -1;
    if (this.active >= 0) return this.active;
    return this.options.length === 1 && !this.more ? 0 : -1;
  }

  key(event) {
    const open = !this.popup.hidden;
    if (event.key === "ArrowDown") {
      event.preventDefault();
      if (!open) this.open();
      else if (this.active < this.options.length - 1) this.highlight(this.active + 1);
      else this.loadMore(true);
    } else if (event.key === "ArrowUp") {
      if (!open) return;
      event.preventDefault();
      this.highlight(Math.max(0, this.active - 1));
    } else if (event.key === "Enter") {
      event.preventDefault();
      const row = this.takeable();
      if (row >= 0) this.takeAndCheck(row);
      else if (this.input.value !== this.checked) this.check();
    } else if (event.key === "Tab" && !event.shiftKey) {
      const row = this.takeable();
      if (row >= 0) this.take(row);
      this.close();
      const value = this.input.value;
      if (value === this.checked || value === this.held) return;  // leaves; nothing to hold for
      event.preventDefault();
      this.held = value;
      this.check().then((accepted) => {
        if (accepted && document.activeElement === this.input) {
          const next = focusableAfter(this.input);
          if (next) next.focus();
        }
      });
    } else if (event.key === "Escape") {
      if (!open && this.input.value === this.typed) return;
      event.preventDefault();
      this.close();
      this.input.value = this.typed;
    }
  }

  take(index) {
    this.input.value = this.options[index].value;
    this.close();
    this.setStatus("", "");
  }

  takeAndCheck(index) {
    this.take(index);
    this.check();
  }

  close() {
    clearTimeout(this.timer);
    ++this.generation;
    this.popup.hidden = true;
    this.table.replaceChildren();
    this.table.removeAttribute("aria-busy");
    this.count.textContent = "";
    this.options = [];
    this.active = -1;
    this.match = null;
    this.input.setAttribute("aria-expanded", "false");
    this.input.removeAttribute("aria-activedescendant");
  }

  left() {
    this.close();
    if (this.input.value !== this.checked) this.check();
  }

  // Checks what the field holds; true when it was accepted (or archived) and the field still holds
  // what was checked. While a check of the same value is on its way, that check is the answer:
  // Enter then Tab asks the server once, and the cursor moves on when the mark appears.
  check() {
    const value = this.input.value;
    if (this.checking?.value !== value) {
      const answer = this.validate(false).finally(() => {
        if (this.checking?.answer === answer) this.checking = null;
      });
      this.checking = { value, answer };
    }
    return this.checking.answer;
  }

  async validate(build) {
    const typed = this.input.value;
    if (typed === "") {
      this.checked = typed;
      this.setStatus("", "");
      return true;
    }
    const body = { ...this.itemKeys(), value: typed, build };
    delete body.kind;
    try {
      const route = this.kind === "free" ? "/api/validate-free" : "/api/validate";
      const answer = await callApi(route, body);
      // The person typed on while the answer was on its way: it is of a value the field no longer
      // holds, and neither marks what it holds as checked nor moves the cursor on.
      if (this.input.value !== typed) return false;
      const accepted = answer.code === 0 || answer.code === 1;
      // The field takes the spelling the archive holds, or the value an alias stands for.
      if (accepted) this.input.value = answer.stored ?? answer.value;
      this.checked = this.input.value;
      this.showAnswer(answer, typed);
      return accepted;
    } catch (error) {
      this.checked = null;
      this.setStatus("failed", text("failed", error.message));
      return false;
    }
  }

  showAnswer(answer, typed) {
    const reason = answer.reason || null;
    if (answer.code === 0 || answer.code === 1) {
      this.setStatus("ok", reason ? `✓ ${reasonText(reason, answer)}` : text("accepted"));
      return;
    }
    this.showRefusal(answer);
    if (answer.archivable !== true || answer.code !== -1) return;
    const archive = document.createElement("button");
    archive.type = "button";
    archive.className = "archive";
    archive.textContent = text("archiveOffer");
    archive.addEventListener("mousedown", (e) => e.preventDefault());
    archive.addEventListener("click", () => this.confirmArchive(typed, answer.similar || []));
    this.status.append(" ", archive);
  }

  showRefusal(answer) {
    const reason = answer.reason || { code: "", message: answer.meaning || "" };
    this.setStatus("refused", `✗ ${reasonText(reason, answer)}`);
    if (reason.code === "unknown_inventory") showInventory(true);
  }

  async confirmArchive(value, similar) {
    const choice = await archiveDialog.ask(value, similar);
    this.input.focus();
    if (this.input.value !== value) return;
    if (choice === "archive") {
      await this.validate(true);
    } else if (choice && choice.similar !== undefined) {
      this.input.value = choice.similar;
      this.typed = choice.similar;
      await this.check();
    }
  }

  setStatus(kind, message) {
    this.status.className = "status " + kind;
    this.status.textContent = message;
    this.input.setAttribute("aria-invalid", kind === "refused" ? "true" : "false");
  }
}

// The inventory code decides the free items' lists; an unknown one is said at once (the free
// item's reference answers with the reason unknown_inventory, and no rows).
document.getElementById("inventory").addEventListener("change", async () => {
  const inventory = document.getElementById("inventory").value.trim();
  if (inventory === "") return showInventory(false);
  try {
    const answer = await callApi("/api/free-ref",
                                 { field: "cfree1", match: "", limit: 1, inventory });
    showInventory(answer.reason && answer.reason.code === "unknown_inventory");
  } catch {
    showInventory(false);
  }
});

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

translatePage();
for (const input of document.querySelectorAll("input[data-field]")) new ItemField(input);
// The form is never sent: the policy of the page allows no inline handler to say so.
document.getElementById("voucher").addEventListener("submit", (event) => event.preventDefault());
whoAmI();
