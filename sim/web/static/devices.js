// The page of every device a server serves: each device's own page in a frame
// (its screen, touches, Settings side and panels, its live connection), up to
// four side by side or one at a time, a tab per device with its state, and a
// switch that makes a change asked on one device on every device shown. Each
// device answers on its own: a slow or gone one holds up no other.
import { api, apiOf, HttpError, sharedChanges } from "./api.js";
import { $, el, note } from "./dom.js";

const mostSideBySide = 4;

const wall = { devices: [], mode: "side", shown: [], chosen: 0 };

const say = (text) => note("wall-note", text);

// The state the device's own page shows in its pill, shown on its tab.
function followPill(device) {
  const watch = () => {
    const pill = device.frame.contentDocument?.getElementById("connection");
    if (!pill) return;
    const show = () => {
      device.state.textContent = pill.textContent;
      device.state.className = pill.className;
    };
    show();
    new MutationObserver(show).observe(pill, { childList: true, characterData: true, subtree: true, attributes: true });
  };
  device.frame.addEventListener("load", watch);
}

function layout() {
  const shown = wall.mode === "side" ? wall.shown : [wall.chosen];
  for (const d of wall.devices) {
    const on = shown.includes(d.index);
    d.frame.hidden = !on;
    d.tab.setAttribute("aria-pressed", String(on));
  }
  $("wall").dataset.count = String(shown.length);
  $("side-by-side").setAttribute("aria-pressed", String(wall.mode === "side"));
  $("one-at-a-time").setAttribute("aria-pressed", String(wall.mode === "one"));
}

// Side by side, a tab shows or hides its device (a fifth replaces the first
// shown); one at a time, it chooses the device.
function tabPressed(index) {
  if (wall.mode === "one") {
    wall.chosen = index;
  } else if (wall.shown.includes(index)) {
    if (wall.shown.length > 1) wall.shown = wall.shown.filter((i) => i !== index);
  } else {
    wall.shown = [...wall.shown, index].slice(-mostSideBySide);
  }
  layout();
}

function shownDevices() {
  return wall.devices.filter((d) => !d.frame.hidden);
}

// A change asked on one device's page, made on every other device shown,
// each answering on its own.
async function sameChange(from, path, body) {
  const others = shownDevices().filter((d) => d.frame.contentWindow !== from);
  if (!others.length) return;
  const what = path.replace(/^\/api\//, "") + (body && body.key ? ` ${body.key}` : "");
  const outcomes = new Map(others.map((d) => [d.name, "…"]));
  const tell = () => say(`Same change (${what}): ` + [...outcomes].map(([name, said]) => `${name} ${said}`).join(" · "));
  tell();
  await Promise.all(others.map(async (d) => {
    try {
      await apiOf(d.path, path, body);
      outcomes.set(d.name, "done");
    } catch (e) {
      outcomes.set(d.name, e instanceof HttpError ? `refused: ${e.message}` : `not reached: ${e.message}`);
    }
    tell();
  }));
}

window.addEventListener("message", (event) => {
  if (event.origin !== location.origin || !event.data || event.data.orvelle !== "change") return;
  if (!$("same-change").checked) return;
  if (!wall.devices.some((d) => d.frame.contentWindow === event.source)) return;
  const { path, body } = event.data;
  if (!sharedChanges.has(path)) return;
  sameChange(event.source, path, body);
});

$("side-by-side").addEventListener("click", () => {
  wall.mode = "side";
  if (!wall.shown.includes(wall.chosen)) wall.shown = [...wall.shown, wall.chosen].slice(-mostSideBySide);
  layout();
});
$("one-at-a-time").addEventListener("click", () => {
  wall.mode = "one";
  layout();
});

async function start() {
  let list;
  try {
    list = (await api("/api/devices")).devices;
  } catch (e) {
    return say(`the server did not list its devices: ${e.message}`);
  }
  for (const entry of list) {
    const device = { index: entry.index, name: entry.name, path: entry.path };
    device.state = el("span", { className: "pill", textContent: "connecting…" });
    device.tab = el("button", { className: "tab", title: `${entry.name} (${entry.path})`,
      onclick: () => tabPressed(entry.index) }, el("span", { className: "name", textContent: entry.name }), device.state);
    device.frame = el("iframe", { src: entry.path, title: `${entry.name}: the simulated device` });
    followPill(device);
    $("switcher").append(device.tab);
    $("wall").append(device.frame);
    wall.devices.push(device);
  }
  wall.shown = wall.devices.slice(0, mostSideBySide).map((d) => d.index);
  layout();
}

start();
