// The Settings side: the pane's pages as the device's Preferences program
// serves them, drawn as the phone draws its tables, every change and press
// sent back through the pane's own code.
import { api } from "./api.js";
import { $, el } from "./dom.js";
import { isPending, settingChanged, takesEffectAtRestart } from "./preview.js";
import { onPanel, state } from "./state.js";

export function currentPage() { return state.pages[state.pages.length - 1]; }

// Answers may come back out of order (a slow refresh of the list, then the
// page a click opened): only the newest asked is drawn.
let asked = 0;

export async function showPage(page, { keepScroll = false } = {}) {
  const mine = ++asked;
  try {
    const answer = await api("/api/prefs?page=" + encodeURIComponent(page));
    if (mine === asked) renderPage(answer, { keepScroll });
  } catch (e) {
    if (mine === asked) $("settings-body").replaceChildren(el("p", { class: "note", textContent: e.message }));
  }
}

// Settings changed elsewhere (the tool, the device): the page shown follows.
let following = null;
export function followSettings() {
  if (following) return;
  following = setTimeout(() => {
    following = null;
    // A row being edited is left alone until it is done.
    if (document.activeElement && document.activeElement.matches("#settings-body input[type=text]")) return;
    showPage(currentPage(), { keepScroll: true });
  }, 100);
}

async function change(path, body) {
  const mine = ++asked;
  try {
    const page = await api(path, { page: currentPage(), ...body });
    if (body.key !== undefined) settingChanged(body.key);
    tellOpened(page.opened);
    if (mine !== asked) return;  // another page was asked for meanwhile
    renderPage(page, { keepScroll: true });
  } catch (e) {
    // Said at the top of the Settings side, where the change was asked.
    const box = $("settings-note");
    box.replaceChildren(e.message);
    box.hidden = false;
    showPage(currentPage(), { keepScroll: true });
  }
}

// What a button opened, as the phone would have: shown, with the address.
function tellOpened(urls) {
  const box = $("settings-note");
  if (!urls || !urls.length) return;
  box.replaceChildren("Opened ", ...urls.map((u) => el("a", { href: u, target: "_blank", rel: "noopener", textContent: u })));
  box.hidden = false;
}

let cellCount = 0;
function cellFor(cell) {
  const id = `cell-${++cellCount}`;
  const label = el("span", { id: `${id}-label`, textContent: cell.label || "" });
  const row = el("div", { class: "cell" + (cell.enabled === false ? " disabled" : "") });
  if (cell.key && takesEffectAtRestart(cell.key)) row.classList.add("at-restart");
  if (cell.key && isPending(cell.key)) {
    row.classList.add("pending");
    label.append(el("span", { class: "pending-badge", title: "Stored; shown after the home screen restarts" }, "after restart"));
  }
  const focusKey = cell.key || cell.action || cell.page || "";
  switch (cell.type) {
    case "switch": {
      const input = el("input", { type: "checkbox", role: "switch", checked: !!cell.value, disabled: cell.enabled === false,
        "aria-labelledby": `${id}-label`, "data-focus": focusKey,
        onchange: () => change("/api/prefs/set", { key: cell.key, value: input.checked }) });
      row.append(label, el("label", { class: "switch" }, input, el("span", { "aria-hidden": "true" })));
      break;
    }
    case "choice": {
      const select = el("select", { disabled: cell.enabled === false, "aria-labelledby": `${id}-label`, "data-focus": focusKey });
      (cell.options || []).forEach((o, i) => {
        select.append(el("option", { value: String(i), textContent: o.title, selected: o.value === cell.value }));
      });
      select.addEventListener("change", () =>
        change("/api/prefs/set", { key: cell.key, value: cell.options[Number(select.value)].value }));
      row.append(label, select);
      break;
    }
    case "text": {
      const input = el("input", { type: "text", value: cell.value ?? "", placeholder: cell.placeholder || "",
        "aria-labelledby": `${id}-label`, "data-focus": focusKey });
      input.addEventListener("change", () => change("/api/prefs/set", { key: cell.key, value: input.value }));
      row.append(label, input);
      break;
    }
    case "button":
      row.append(el("button", { class: "action", textContent: cell.label, "data-focus": focusKey,
        onclick: () => change("/api/prefs/press", { action: cell.action }) }));
      break;
    case "link": {
      // A row that opens a page: a link for the keyboard and for readers.
      row.classList.add("link");
      const open = () => { state.pages.push(cell.page); showPage(cell.page); };
      row.append(el("a", { href: "#", class: "row-link", textContent: cell.label || "", "data-focus": focusKey,
        onclick: (e) => { e.preventDefault(); open(); } }));
      break;
    }
    default:
      row.append(label, el("span", { class: "value", textContent: cell.value ?? "" }));
  }
  return row;
}

function renderPage(page, { keepScroll = false } = {}) {
  const body = $("settings-body");
  const focused = document.activeElement && body.contains(document.activeElement)
    ? document.activeElement.getAttribute("data-focus") : null;
  $("settings-title").textContent = page.title || "Settings";
  $("back").hidden = state.pages.length < 2;
  const parts = [];
  if (page.header) {
    parts.push(el("div", { class: "header-cell" },
      el("div", { class: "title", textContent: page.header.title || "" }),
      el("div", { class: "subtitle", textContent: page.header.subtitle || "" })));
  }
  for (const g of page.groups || []) {
    const headerId = `group-${++cellCount}`;
    if (g.header) parts.push(el("h3", { class: "group-header", id: headerId, textContent: g.header }));
    const group = el("div", { class: "group", role: "group" }, ...(g.cells || []).map(cellFor));
    if (g.header) group.setAttribute("aria-labelledby", headerId);
    parts.push(group);
    if (g.footer) parts.push(el("div", { class: "group-footer", textContent: g.footer }));
  }
  body.replaceChildren(...parts);
  // A new page starts at its top, as on the phone.
  if (!keepScroll) {
    body.scrollTop = 0;
    $("settings-note").hidden = true;
  }
  if (focused) body.querySelector(`[data-focus="${CSS.escape(focused)}"]`)?.focus();
  showAlert((page.alerts || [])[0]);
}

function showAlert(alert) {
  $("alert-layer").hidden = !alert;
  if (!alert) return;
  $("alert-title").textContent = alert.title || "";
  $("alert-message").textContent = alert.message || "";
  $("alert-image").hidden = !alert.image;
  if (alert.image) $("alert-image").src = alert.image;
  $("alert-buttons").replaceChildren(...(alert.buttons || []).map((title, i) =>
    el("button", { textContent: title, onclick: () => change("/api/prefs/alert", { button: i }) })));
  $("alert-buttons").querySelector("button")?.focus();
}

document.addEventListener("pending-changed", () => showPage(currentPage(), { keepScroll: true }));

$("back").addEventListener("click", () => {
  if (state.pages.length > 1) state.pages.pop();
  showPage(currentPage());
});

// The rows change the settings whatever the lock screen shows; when the panel
// is not there, the Settings side says so and why.
onPanel((panel) => {
  const box = $("settings-panel-state");
  box.hidden = !panel || panel.shown;
  box.textContent = panel && !panel.shown ? `The clock panel is not on the lock screen: ${panel.reason}.` : "";
});
