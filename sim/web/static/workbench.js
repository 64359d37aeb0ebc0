// The workbench: the device's clock in hand (shown live, paused, stepped,
// set, run fast, sent back to real time) and the notifications of its lock
// screen (posted, listed newest first with the device's own times, cleared).
import { api } from "./api.js";
import { $, el, note } from "./dom.js";
import { state } from "./state.js";

// The clock as the device last answered, and when the page heard it, so the
// time shown runs on between answers at the device's own rate.
let clock = null;
let heardAt = 0;

// The device's time at the page's moment `at` (performance.now()), as the clock last heard runs.
function deviceNow(at = performance.now()) {
  if (!clock) return null;
  const rate = clock.real ? 1 : clock.paused ? 0 : clock.rate;
  return clock.now + ((at - heardAt) / 1000) * rate;
}

// The device's wall time in its own zone, as "2027-03-28 01:59:58".
function wallText(seconds) {
  const f = new Intl.DateTimeFormat("en-CA", {
    timeZone: clock.timeZone, year: "numeric", month: "2-digit", day: "2-digit",
    hour: "2-digit", minute: "2-digit", second: "2-digit", hourCycle: "h23",
  });
  const p = Object.fromEntries(f.formatToParts(new Date(seconds * 1000)).map((x) => [x.type, x.value]));
  return `${p.year}-${p.month}-${p.day} ${p.hour}:${p.minute}:${p.second}`;
}

function showClock() {
  const now = deviceNow();
  if (now === null) return;
  let text;
  try { text = wallText(now); } catch { text = clock.iso; }
  $("clock-time").textContent = text;
  const mode = clock.real ? "real time" : `${clock.paused ? "paused" : "running"} at ×${clock.rate}`;
  $("clock-mode").textContent = `${clock.timeZone}, ${mode}`;
  $("clock-rate").value = String(clock.rate);
}

function heard(answer) {
  if (!answer || !answer.clock) return;
  clock = answer.clock;
  heardAt = performance.now();
  showClock();
}

async function changeClock(body) {
  try {
    heard(await api("/api/clock", body));
    note("clock-note", "");
    await loadNotifications();
  } catch (e) {
    note("clock-note", e.message);
  }
}

async function loadClock() {
  try {
    heard(await api("/api/clock"));
  } catch (e) {
    note("clock-note", e.message);
  }
}

// A datetime-local field's value is the wall time without a zone, which the
// device reads in its own.
function isoOfField(value) { return value.length === 16 ? `${value}:00` : value; }

$("clock-pause").addEventListener("click", () => changeClock({ action: "pause" }));
$("clock-resume").addEventListener("click", () => changeClock({ action: "resume" }));
$("clock-back-minute").addEventListener("click", () => changeClock({ advance: -60 }));
$("clock-minute").addEventListener("click", () => changeClock({ advance: 60 }));
$("clock-hour").addEventListener("click", () => changeClock({ advance: 3600 }));
$("clock-real").addEventListener("click", () => changeClock({ action: "real" }));
$("clock-rate").addEventListener("change", (e) => changeClock({ rate: Number(e.target.value) }));
$("clock-form").addEventListener("submit", (e) => {
  e.preventDefault();
  changeClock({ set: isoOfField(e.target.elements.set.value) });
});

function showNotifications(answer) {
  const list = $("notify-list");
  list.replaceChildren();
  for (const n of answer.notifications || []) {
    const clear = el("button", { type: "button", class: "small", onclick: () => clearNotifications({ id: n.id }) }, "Clear");
    clear.setAttribute("aria-label", `Clear notification ${n.id}`);
    list.append(el("li", {}, el("strong", {}, n.app), ` · ${n.when} · `, n.title, n.body ? ` — ${n.body}` : "", " ", clear));
  }
}

async function loadNotifications() {
  try {
    showNotifications(await api("/api/notifications"));
  } catch (e) {
    note("notify-note", e.message);
  }
}

async function clearNotifications(body) {
  try {
    showNotifications(await api("/api/notifications/clear", body));
    note("notify-note", "");
  } catch (e) {
    note("notify-note", e.message);
  }
}

$("notify-form").addEventListener("submit", async (e) => {
  e.preventDefault();
  const f = e.target.elements;
  const body = { app: f.app.value, title: f.title.value, body: f.body.value };
  if (f.at.value) body.at = isoOfField(f.at.value);
  try {
    showNotifications(await api("/api/notifications", body));
    note("notify-note", "Posted.");
  } catch (err) {
    note("notify-note", err.message);
  }
});
$("notify-clear-all").addEventListener("click", () => clearNotifications({ all: true }));

// Each frame says the device's time it shows: one far from what the panel
// says means the clock was changed elsewhere (the tool, a respring), so the
// clock and the notifications' times are heard again.
let resyncing = false;
async function followFrames() {
  const f = window.__frames;
  // Frames stop while the server is gone or the device down: nothing to follow.
  if (!f || !f.clock || resyncing || state.serverGone || state.device !== "live") return;
  const expected = deviceNow(f.clockAt);
  // A frame is on its way for a moment: at a fast rate that is many device seconds.
  const rate = clock.real ? 1 : clock.paused ? 0 : clock.rate;
  if (expected === null || Math.abs(f.clock - expected) < Math.max(2, rate / 2)) return;
  resyncing = true;
  await loadClock();
  await loadNotifications();
  resyncing = false;
}

export function startWorkbench() {
  loadClock();
  loadNotifications();
  setInterval(showClock, 250);
  setInterval(followFrames, 1000);
  // A respring or another tool may change them: heard again now and then,
  // while there is a server to ask.
  setInterval(() => { if (!state.serverGone) loadClock(); }, 10000);
  setInterval(() => { if (!state.serverGone) loadNotifications(); }, 30000);
}
