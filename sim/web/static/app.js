// The web simulator's page: the device's screen as it pushes it (regions drawn
// as they arrive), the mouse as a finger, the Settings app drawn from the
// pane's pages, and the device's controls in panels. The page says what it
// knows: live, the device down (and why), or the server gone.
"use strict";

const $ = (id) => document.getElementById(id);
const state = {
  screen: { width: 375, height: 667, scale: 2 },
  pages: [""],
  zoom: "fit",
  device: "connecting",  // live | starting | down | connecting
  serverGone: false,
};

class HttpError extends Error {}

async function api(path, body) {
  const init = body === undefined ? {} : {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  };
  const res = await fetch(path, init);
  const data = await res.json().catch(() => ({}));
  if (!res.ok) throw new HttpError(data.error || `${path}: ${res.status}`);
  return data;
}

function note(id, text) { $(id).textContent = text || ""; }

function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(props)) {
    if (k === "class") node.className = v;
    else if (k.startsWith("on")) node.addEventListener(k.slice(2), v);
    else if (k.startsWith("aria-") || k.startsWith("data-") || k === "role") node.setAttribute(k, v);
    else node[k] = v;
  }
  for (const c of children) if (c != null) node.append(c);
  return node;
}

// ---- the connection ----------------------------------------------------------

function showConnection() {
  const pill = $("connection");
  const [text, kind] = state.serverGone ? ["server gone", "gone"]
    : state.device === "live" ? ["live", "live"]
    : state.device === "down" ? ["device down", "down"]
    : state.device === "starting" ? ["starting…", "starting"]
    : ["connecting…", ""];
  pill.textContent = text;
  pill.className = "pill " + kind;
  $("device-down").hidden = state.serverGone || state.device !== "down";
  $("server-gone").hidden = !state.serverGone;
}

function onDeviceState(event) {
  state.device = event.state;
  if (event.state === "down") {
    $("down-why").textContent = event.why || "";
    // The log is the device's text: shown as text, never as markup.
    $("down-log").textContent = (event.log || []).join("\n");
  }
  note("frame-note", event.state === "starting" ? event.why : "");
  showConnection();
  if (event.state === "live") refreshStatus();
}

// The server is gone: the page waits longer each time before it looks again.
let retryMs = 1000;
function serverGone() {
  if (!state.serverGone) {
    state.serverGone = true;
    showConnection();
  }
  $("server-gone").textContent =
    `The simulator's server stopped. Run ./run again; this page reconnects by itself (next try in ${Math.round(retryMs / 1000)} s).`;
  setTimeout(connectScreen, retryMs);
  retryMs = Math.min(retryMs * 2, 30000);
}

function serverBack() {
  retryMs = 1000;
  if (!state.serverGone) return;
  state.serverGone = false;
  showConnection();
  refreshStatus();
  showPage(currentPage());
  loadCrashReports();
}

// ---- the screen --------------------------------------------------------------

const canvas = $("screen");
const ctx = canvas.getContext("2d", { alpha: false });
// What the page drew, for tests and the browser benchmark.
window.__frames = { count: 0, times: [], serial: 0 };

// Updates are drawn one after another, in the order they came.
let drawing = Promise.resolve();

function drawUpdate(u) {
  drawing = drawing.then(async () => {
    const bitmaps = await Promise.all(u.pictures.map((p) =>
      createImageBitmap(new Blob([p.png], { type: "image/png" }))));
    if (canvas.width !== u.width || canvas.height !== u.height) {
      canvas.width = u.width;
      canvas.height = u.height;
      layoutScreen();
    }
    u.pictures.forEach((p, i) => {
      ctx.drawImage(bitmaps[i], p.x, p.y);
      bitmaps[i].close();
    });
    const f = window.__frames;
    f.count += 1;
    f.serial = u.serial;
    f.times.push(performance.now());
    if (f.times.length > 2000) f.times.splice(0, 1000);
  }).catch((e) => note("frame-note", `a frame could not be drawn: ${e.message}`));
}

// One message of the stream (see web/ScreenStream.h).
function handleMessage(kind, bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (kind === 2) {
    const event = JSON.parse(new TextDecoder().decode(bytes));
    if (event.type === "device") onDeviceState(event);
    else if (event.type === "settings") followSettings();
    return;
  }
  if (kind !== 1) return;
  const u = { serial: view.getUint32(0, true), width: view.getUint16(4, true), height: view.getUint16(6, true),
    whole: view.getUint8(8) === 1, pictures: [] };
  const count = view.getUint16(9, true);
  let at = 11 + 12 * count;
  for (let i = 0; i < count; i++) {
    const h = 11 + 12 * i;
    const size = view.getUint32(h + 8, true);
    u.pictures.push({ x: view.getUint16(h, true), y: view.getUint16(h + 2, true),
      w: view.getUint16(h + 4, true), h: view.getUint16(h + 6, true), png: bytes.subarray(at, at + size) });
    at += size;
  }
  drawUpdate(u);
}

// The live stream: one long-lived response, read as it comes.
async function connectScreen() {
  let res;
  try {
    res = await fetch("/api/screen", { cache: "no-store" });
    if (!res.ok || !res.body) throw new Error(`the screen's stream: ${res.status}`);
  } catch (e) {
    return serverGone();
  }
  serverBack();
  const reader = res.body.getReader();
  let buffer = new Uint8Array(0);
  try {
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      buffer = buffer.length ? concat(buffer, value) : value;
      let at = 0;
      while (buffer.length - at >= 5) {
        const length = new DataView(buffer.buffer, buffer.byteOffset + at, 4).getUint32(0, true);
        if (buffer.length - at - 4 < length) break;
        handleMessage(buffer[at + 4], buffer.slice(at + 5, at + 4 + length));
        at += 4 + length;
      }
      buffer = buffer.subarray(at);
    }
  } catch (e) {
    // The connection broke: the server went.
  }
  serverGone();
}

function concat(a, b) {
  const out = new Uint8Array(a.length + b.length);
  out.set(a);
  out.set(b, a.length);
  return out;
}

// The canvas holds the device's pixels; on the page it is its size in points
// at the zoom chosen (fit: the window's height).
function layoutScreen() {
  const { width, height } = state.screen;
  const notched = height / width > 2;
  const tablet = width >= 768;
  let zoom = state.zoom === "200" ? 2 : 1;
  if (state.zoom === "fit") {
    // The whole device in the window's height, bezel included.
    const bezel = notched ? 28 : tablet ? 120 : 150;
    zoom = Math.max(0.3, Math.min(1, (window.innerHeight - 130) / (height + bezel)));
  }
  canvas.style.width = `${Math.round(width * zoom)}px`;
  canvas.style.height = `${Math.round(height * zoom)}px`;
  document.documentElement.style.setProperty("--zoom", zoom);
  // The bezel of the model of that era: a home button under a 16:9 screen,
  // rounded corners and the sensor notch on the 375 x 812 phone.
  $("bezel").className = "bezel " + (notched ? "notched" : tablet ? "tablet" : "home");
  $("notch").hidden = !notched;
}

for (const [id, zoom] of [["zoom-fit", "fit"], ["zoom-100", "100"], ["zoom-200", "200"]]) {
  $(id).addEventListener("click", () => {
    state.zoom = zoom;
    for (const b of document.querySelectorAll(".zoom")) b.setAttribute("aria-pressed", String(b.id === id));
    layoutScreen();
  });
}
window.addEventListener("resize", () => { if (state.zoom === "fit") layoutScreen(); });

// The screen as a PNG file: the device's own picture at its scale while it is
// live, else what the page shows.
function download(blob) {
  const link = el("a", { href: URL.createObjectURL(blob), download: `orvelle-screen-${Date.now()}.png` });
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}
$("save-screenshot").addEventListener("click", async () => {
  if (state.device === "live") {
    try {
      const res = await fetch("/api/frame.png", { cache: "no-store" });
      if (res.ok) return download(await res.blob());
    } catch (e) { /* the page's own copy below */ }
  }
  canvas.toBlob((blob) => (blob ? download(blob) : note("frame-note", "the screen could not be saved")), "image/png");
});

// The mouse as one finger. A press and a lift go out alone, after every touch
// before them; moves go out as they come, two at a time at most (moves that
// pile up meanwhile collapse into the newest), each numbered, so the server
// drops a move that arrives after a newer one.
const touches = { queue: [], down: false, seq: 0, inFlight: 0, pressing: false };

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
  touches.queue.push({ phase, x: p.x, y: p.y, seq: ++touches.seq });
  pumpTouches();
}

function pumpTouches() {
  while (touches.queue.length && !touches.pressing) {
    const t = touches.queue[0];
    if (t.phase === "move" ? touches.inFlight >= 2 : touches.inFlight > 0) return;
    touches.queue.shift();
    touches.inFlight += 1;
    if (t.phase !== "move") touches.pressing = true;
    api("/api/touch", t)
      .catch((e) => note("frame-note", e.message))
      .finally(() => {
        touches.inFlight -= 1;
        if (t.phase !== "move") touches.pressing = false;
        pumpTouches();
      });
  }
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

$("boot").addEventListener("click", async () => {
  $("boot").disabled = true;
  $("down-why").textContent = "Booting…";
  try {
    renderStatus(await api("/api/boot", {}));
  } catch (e) {
    $("down-why").textContent = e.message;
  }
  $("boot").disabled = false;
});

// ---- the Settings side -------------------------------------------------------

function currentPage() { return state.pages[state.pages.length - 1]; }

async function showPage(page, { keepScroll = false } = {}) {
  try {
    renderPage(await api("/api/prefs?page=" + encodeURIComponent(page)), { keepScroll });
  } catch (e) {
    $("settings-body").replaceChildren(el("p", { class: "note", textContent: e.message }));
  }
}

// Settings changed elsewhere (the tool, the device): the page shown follows.
let following = null;
function followSettings() {
  if (following) return;
  following = setTimeout(() => {
    following = null;
    // A row being edited is left alone until it is done.
    if (document.activeElement && document.activeElement.matches("#settings-body input[type=text]")) return;
    showPage(currentPage(), { keepScroll: true });
  }, 100);
}

async function change(path, body) {
  try {
    const page = await api(path, { page: currentPage(), ...body });
    renderPage(page, { keepScroll: true });
    tellOpened(page.opened);
  } catch (e) {
    note("control-note", e.message);
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
  if (s.screen) {
    const changed = s.screen.width !== state.screen.width || s.screen.height !== state.screen.height;
    state.screen = s.screen;
    if (changed || !state.laidOut) layoutScreen();
    state.laidOut = true;
  }
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
  const safe = s.safeMode;
  $("safe-mode").hidden = !safe;
  if (safe) {
    $("safe-mode").textContent = `Safe mode: ${safe.why}. To blame: ${safe.culprits}.` +
      (safe.report && safe.report !== "-" ? ` Report: ${safe.report}.` : "");
  }
}

async function refreshStatus() {
  try { renderStatus(await api("/api/status")); } catch (e) { if (e instanceof HttpError) note("control-note", e.message); }
}

function pollStatus() {
  if (!state.serverGone) refreshStatus();
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
$("device-form").addEventListener("submit", async (e) => {
  e.preventDefault();
  note("control-note", "Applying…");
  await control("/api/device", formValues(e.target));
  state.setupFilled = false;
  refreshStatus();
});
$("media-play").addEventListener("click", () => control("/api/media", { playing: true }));
$("media-stop").addEventListener("click", () => control("/api/media", { playing: false }));
$("respring").addEventListener("click", () => control("/api/respring", {}));

// The crash reports: a list, each opened as plain text.
async function loadCrashReports() {
  let reports = [];
  try { reports = (await api("/api/crashes")).reports || []; } catch (e) { return; }
  const list = $("crash-list");
  if (!reports.length) return list.replaceChildren(el("li", { class: "note", textContent: "No crash reports" }));
  list.replaceChildren(...reports.map((r) => el("li", {},
    el("button", { class: "crash", textContent: r.name, title: (r.summary || []).join("\n"),
      onclick: () => openCrashReport(r.name) }))));
}

async function openCrashReport(name) {
  const view = $("crash-text");
  try {
    const res = await fetch("/api/crashes?name=" + encodeURIComponent(name));
    view.textContent = res.ok ? await res.text() : (await res.json().catch(() => ({}))).error || `${res.status}`;
  } catch (e) {
    view.textContent = e.message;
  }
  view.hidden = false;
  view.focus();
}

layoutScreen();
connectScreen();
pollStatus();
showPage("");
loadCrashReports();
setInterval(loadCrashReports, 15000);
