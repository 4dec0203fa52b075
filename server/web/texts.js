// The page's own texts in Chinese and English. The server picks the language from the request's
// Accept-Language and writes it into <html lang>; item captions and values come from the database
// and are never translated. A reason code the page does not know shows the server's sentence.
"use strict";

const TEXTS = {
  zh: {
    title: "TarnVelloc — 销售订单",
    heading: "销售订单",
    tagline: "TarnVelloc 参照与校验",
    signOut: "退出",
    signInLegend: "登录",
    signInName: "用户",
    signInPassword: "密码",
    signIn: "登录",
    tokenNeeded: "请打开 velloc serve 启动时显示的地址：其中带有本服务器的令牌。",
    header: "表头",
    body: "表体",
    hint: "输入即显示参照（↑ ↓ 移动，Enter 或 Tab 选取，Esc 恢复输入）；离开字段时校验其值。" +
      "值被拒绝时光标留在字段中：再按 Tab 或 Shift+Tab 可离开。",
    rows: (n) => `${n} 行`,
    rowsOfMore: (n) => `已显示 ${n} 行，还有更多（↓ 继续）`,
    noRows: "没有匹配的行",
    loading: "正在加载…",
    recent: "最近使用",
    accepted: "✓",
    archiveOffer: "存为新值…",
    dialogTitle: "存为新值？",
    dialogText: (value) => `“${value}”不在档案中。确认要把它作为新值永久存档吗？`,
    dialogSimilar: "档案中有相近的值，选择一个即可填入：",
    dialogConfirm: "确认存档",
    dialogCancel: "取消",
    failed: (message) => `失败：${message}`,
    unknownInventoryCode: (code) => `存货编码“${code}”不存在`,
    reasons: {
      not_found: () => "不在档案中，也不是别名",
      not_a_number: () => "不是数字",
      not_a_whole_number: () => "不是整数",
      not_a_date: () => "不是日期",
      too_long: (r) => `超过该项目允许的长度（${r.limit} 个字符）`,
      closed: () => "该项目不接受新值",
      no_rights: () => "没有该表的权限",
      unknown_item: () => "未知的项目",
      unknown_inventory: (r) => (r.inventory ? `存货编码“${r.inventory}”不存在` : "未知的存货编码"),
      alias: (r, a) => `别名 ${a.typed} 已替换为 ${a.value}`,
      archived: () => "已作为新值存档",
      stored_spelling: (r, a) => `已按档案中的写法“${a.stored}”接受`,
      refused: () => "参照被拒绝",
    },
  },
  en: {
    title: "TarnVelloc — sales order",
    heading: "Sales order",
    tagline: "TarnVelloc pick-lists and value checks",
    signOut: "Sign out",
    signInLegend: "Sign in",
    signInName: "Name",
    signInPassword: "Password",
    signIn: "Sign in",
    tokenNeeded:
      "Open the address velloc serve printed when it started: it carries this server's token.",
    header: "Header",
    body: "Body",
    hint: "Type to see the pick-list (↑ ↓ to move, Enter or Tab to take a row, Esc to restore what " +
      "you typed); leaving a field checks its value. A refused value keeps the cursor: press Tab " +
      "again or Shift+Tab to leave.",
    rows: (n) => (n === 1 ? "1 row" : `${n} rows`),
    rowsOfMore: (n) => `${n} of more (↓ for the next)`,
    noRows: "no matching rows",
    loading: "loading…",
    recent: "Recently chosen",
    accepted: "✓",
    archiveOffer: "Archive as a new value…",
    dialogTitle: "Archive as a new value?",
    dialogText: (value) => `“${value}” is not in the archive. Archive it for good as a new value?`,
    dialogSimilar: "The archive holds similar values; choose one to fill the field instead:",
    dialogConfirm: "Archive it",
    dialogCancel: "Cancel",
    failed: (message) => `failed: ${message}`,
    unknownInventoryCode: (code) => `No inventory has the code “${code}”`,
    reasons: {
      not_found: () => "Not in the archive and not an alias.",
      not_a_number: () => "Not a number.",
      not_a_whole_number: () => "Not a whole number.",
      not_a_date: () => "Not a date.",
      too_long: (r) => `Longer than the item allows (${r.limit} characters).`,
      closed: () => "The item takes no new values.",
      no_rights: () => "No rights on the item's table.",
      unknown_item: () => "Unknown item.",
      unknown_inventory: (r) =>
        (r.inventory ? `No inventory has the code ${r.inventory}.` : "Unknown inventory code."),
      alias: (r, a) => `The alias ${a.typed} was replaced by ${a.value}.`,
      archived: () => "Archived as a new value.",
      stored_spelling: (r, a) => `Accepted as the archive spells it: ${a.stored}.`,
      refused: () => "The pick-list was refused.",
    },
  },
};

const LANGUAGE = document.documentElement.lang.toLowerCase().startsWith("en") ? "en" : "zh";

// The text `key` in the page's language; a function text is called with `args`.
function text(key, ...args) {
  const found = TEXTS[LANGUAGE][key];
  return typeof found === "function" ? found(...args) : found;
}

// The sentence of an answer's reason ({code, message, ...parameters}); `answer` gives the typed
// value, the value and the stored spelling some sentences name.
function reasonText(reason, answer) {
  const sentence = TEXTS[LANGUAGE].reasons[reason.code];
  return sentence ? sentence(reason, answer || {}) : reason.message;
}

// Elements marked data-text="key" take their text in the page's language.
function translatePage() {
  document.title = text("title");
  for (const element of document.querySelectorAll("[data-text]")) {
    element.textContent = text(element.dataset.text);
  }
}
