// The web simulator's page: the device's screen refreshed live, the mouse as a
// finger, the Settings app drawn from the pane's pages, and the device's controls.
"use strict";

const $ = (id) => document.getElementById(id);
const state = { screen: { width: 375, height: 667 }, pages: [""], frameTag: "" };

async function api(path, body) {
  const init = body === undefined ? {} : {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  };
  const res = await fetch(path, init);
  const data = await res.json().catch(() => ({}));
  if (!res.ok) throw new Error(data.error || `${path}: ${res.status}`);
  return data;
}

function note(id, text) { $(id).textContent = text || ""; }

// ---- the screen --------------------------------------------------------------

const canvas = $("screen");
const ctx = canvas.getContext("2d");

async function pollFrame() {
  try {
    const res = await fetch("/api/frame.png", {
      cache: "no-store",
      headers: state.frameTag ? { "If-None-Match": state.frameTag } : {},
    });
    if (res.status === 200) {
      state.frameTag = res.headers.get("ETag") || "";
      const bitmap = await createImageBitmap(await res.blob());
      if (canvas.width !== bitmap.width || canvas.height !== bitmap.height) {
        canvas.width = bitmap.width;
        canvas.height = bitmap.height;
      }
      ctx.drawImage(bitmap, 0, 0);
      bitmap.close();
    } else if (res.status !== 304) {
      throw new Error((await res.json().catch(() => ({}))).error || `frame: ${res.status}`);
    }
    setConnection(true);
    note("frame-note", "");
  } catch (e) {
    setConnection(false);
    note("frame-note", e.message);
  }
  setTimeout(pollFrame, 100);  // about ten frames a second: the colon's fade shows
}

function setConnection(live) {
  const pill = $("connection");
  pill.textContent = live ? "live" : "no device";
  pill.className = "pill " + (live ? "live" : "down");
}

// The mouse as one finger. Touches go out in order, one at a time; moves that
// pile up while one is in flight collapse into the newest.
const touches = { queue: [], sending: false, down: false };

function toPoints(event) {
  const r = canvas.getBoundingClientRect();
  return {
    x: (event.clientX - r.left) * state.screen.width / r.width,
    y: (event.clientY - r.top) * state.screen.height / r.height,
  };
}

function sendTouch(phase, p) {
  const last = touches.queue[touches.queue.length - 1];
  if (phase === "move" && last && last.phase === "move") touches.queue.pop();
  touches.queue.push({ phase, x: p.x, y: p.y });
  flushTouches();
}

async function flushTouches() {
  if (touches.sending) return;
  touches.sending = true;
  while (touches.queue.length) {
    const t = touches.queue.shift();
    try { await api("/api/touch", t); } catch (e) { note("frame-note", e.message); }
  }
  touches.sending = false;
}

canvas.addEventListener("pointerdown", (e) => {
  if (e.button !== 0) return;
  canvas.setPointerCapture(e.pointerId);
  touches.down = true;
  sendTouch("down", toPoints(e));
});
canvas.addEventListener("pointermove", (e) => { if (touches.down) sendTouch("move", toPoints(e)); });
function lift(e) {
  if (!touches.down) return;
  touches.down = false;
  sendTouch("up", toPoints(e));
}
canvas.addEventListener("pointerup", lift);
canvas.addEventListener("pointercancel", lift);

// ---- the Settings side -------------------------------------------------------

function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(props)) {
    if (k === "class") node.className = v;
    else if (k.startsWith("on")) node.addEventListener(k.slice(2), v);
    else node[k] = v;
  }
  for (const c of children) if (c != null) node.append(c);
  return node;
}

function currentPage() { return state.pages[state.pages.length - 1]; }

async function showPage(page) {
  try {
    renderPage(await api("/api/prefs?page=" + encodeURIComponent(page)));
  } catch (e) {
    $("settings-body").replaceChildren(el("p", { class: "note", textContent: e.message }));
  }
}

async function change(path, body) {
  try {
    renderPage(await api(path, { page: currentPage(), ...body }));
  } catch (e) {
    note("control-note", e.message);
    showPage(currentPage());
  }
}

function cellFor(cell) {
  const label = el("span", { textContent: cell.label || "" });
  const row = el("div", { class: "cell" + (cell.enabled === false ? " disabled" : "") });
  switch (cell.type) {
    case "switch": {
      const input = el("input", { type: "checkbox", checked: !!cell.value, disabled: cell.enabled === false,
        onchange: () => change("/api/prefs/set", { key: cell.key, value: input.checked }) });
      row.append(label, el("label", { class: "switch" }, input, el("span")));
      break;
    }
    case "choice": {
      const select = el("select", { disabled: cell.enabled === false });
      (cell.options || []).forEach((o, i) => {
        select.append(el("option", { value: String(i), textContent: o.title, selected: o.value === cell.value }));
      });
      select.addEventListener("change", () =>
        change("/api/prefs/set", { key: cell.key, value: cell.options[Number(select.value)].value }));
      row.append(label, select);
      break;
    }
    case "text": {
      const input = el("input", { type: "text", value: cell.value ?? "", placeholder: cell.placeholder || "" });
      input.addEventListener("change", () => change("/api/prefs/set", { key: cell.key, value: input.value }));
      row.append(label, input);
      break;
    }
    case "button":
      row.append(el("button", { class: "action", textContent: cell.label,
        onclick: () => change("/api/prefs/press", { action: cell.action }) }));
      break;
    case "link":
      row.classList.add("link");
      row.addEventListener("click", () => { state.pages.push(cell.page); showPage(cell.page); });
      row.append(label);
      break;
    default:
      row.append(label, el("span", { class: "value", textContent: cell.value ?? "" }));
  }
  return row;
}

function renderPage(page) {
  $("settings-title").textContent = page.title || "Settings";
  $("back").hidden = state.pages.length < 2;
  const body = [];
  if (page.header) {
    body.push(el("div", { class: "header-cell" },
      el("div", { class: "title", textContent: page.header.title || "" }),
      el("div", { class: "subtitle", textContent: page.header.subtitle || "" })));
  }
  for (const g of page.groups || []) {
    body.push(el("div", { class: "group-header", textContent: g.header || "" }));
    body.push(el("div", { class: "group" }, ...(g.cells || []).map(cellFor)));
    if (g.footer) body.push(el("div", { class: "group-footer", textContent: g.footer }));
  }
  $("settings-body").replaceChildren(...body);
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
}

$("back").addEventListener("click", () => {
  if (state.pages.length > 1) state.pages.pop();
  showPage(currentPage());
});

// ---- the device's controls ---------------------------------------------------

// The setup form starts from the device as it is.
function fillSetup(s) {
  const form = $("device-form");
  const set = (name, value) => {
    const field = form.elements[name];
    if (!field || value == null) return;
    if (field.tagName === "SELECT" && ![...field.options].some((o) => o.value === value)) {
      field.append(el("option", { value, textContent: value }));
    }
    field.value = value;
  };
  set("systemVersion", s.systemVersion);
  set("screen", s.screen && `${s.screen.width}x${s.screen.height}`);
  set("timeZone", s.timeZone);
  set("locale", s.locale);
  set("wallpaper", s.wallpaper);
  state.setupFilled = true;
}

function renderStatus(s) {
  if (s.screen) state.screen = s.screen;
  if (!state.setupFilled) fillSetup(s);
  const facts = [
    ["Model", s.model], ["System", s.systemVersion],
    ["Screen", s.screen && `${s.screen.width} × ${s.screen.height} @${s.screen.scale}x`],
    ["Time zone", s.timeZone], ["Locale", s.locale], ["Wallpaper", s.wallpaper],
    ["Media", s.media && (s.media.playing ? "playing" : "stopped")],
    ["SpringBoard", s.respringing ? "restarting…" : s.springboardPid ? `pid ${s.springboardPid}` : "not running"],
  ];
  $("device-facts").replaceChildren(...facts.flatMap(([k, v]) =>
    [el("dt", { textContent: k }), el("dd", { textContent: v ?? "—" })]));
}

async function pollStatus() {
  try { renderStatus(await api("/api/status")); } catch (e) { note("control-note", e.message); }
  setTimeout(pollStatus, 2000);
}

async function control(path, body) {
  try {
    const s = await api(path, body);
    if (s && s.model) renderStatus(s);
    note("control-note", "");
  } catch (e) {
    note("control-note", e.message);
  }
}

function formValues(form) {
  const out = {};
  for (const [k, v] of new FormData(form)) if (v !== "") out[k] = v;
  return out;
}

// A text field the user emptied clears its value (null); one left blank keeps it.
$("weather-form").addEventListener("input", (e) => { e.target.dataset.edited = "yes"; });
$("weather-form").addEventListener("submit", (e) => {
  e.preventDefault();
  const values = formValues(e.target);
  for (const field of e.target.querySelectorAll("input")) {
    if (field.dataset.edited && field.value === "") values[field.name] = null;
  }
  control("/api/weather", values);
});
$("device-form").addEventListener("submit", (e) => {
  e.preventDefault();
  control("/api/device", formValues(e.target));
});
$("media-play").addEventListener("click", () => control("/api/media", { playing: true }));
$("media-stop").addEventListener("click", () => control("/api/media", { playing: false }));
$("respring").addEventListener("click", () => control("/api/respring", {}));

pollFrame();
pollStatus();
showPage("");
