// The home screen's view tree, as the device dumps it: a tree to open and
// close, the chosen view's facts, and its frame outlined on the screen. While
// Inspect is on, the view under the pointer is outlined with its frame, a
// click on the screen chooses it instead of touching the device, and the tree
// is read again whenever the screen changed (at most once a second), keeping
// what was chosen and opened. Every text of the device is shown as text.
import { api } from "./api.js";
import { $, el, note } from "./dom.js";
import { state } from "./state.js";

const toggle = $("inspect-toggle");
const outline = $("inspect-outline");
const treeRoot = $("inspect-tree");
const facts = $("inspect-facts");
const outlineLabel = el("span", { class: "inspect-outline-label" });
outline.append(outlineLabel);

let root = null;    // { view, path, rect: [x, y, w, h] on the screen, shown, children, row, kids, parent }
let chosen = null;
let hovered = null, hoverPoint = null;
const opened = new Map();  // path -> open, as the user left it
let readSerial = -1, reading = false;

// Frames are in their superview's points; the screen's are their sum down the tree.
function entryOf(view, parent, path) {
  const [x, y, w, h] = Array.isArray(view.frame) ? view.frame.map(Number) : [0, 0, 0, 0];
  const ox = parent ? parent.rect[0] : 0, oy = parent ? parent.rect[1] : 0;
  const entry = { view, parent, path, rect: [ox + x, oy + y, w, h], children: [] };
  entry.shown = (!parent || parent.shown) && !view.hidden && Number(view.alpha ?? 1) > 0;
  const subviews = Array.isArray(view.subviews) ? view.subviews : [];
  subviews.forEach((sub, i) => entry.children.push(entryOf(sub, entry, `${path}/${i}`)));
  return entry;
}

function entryAt(entry, path) {
  if (!entry || entry.path === path) return entry;
  const next = entry.children.find((c) => path.startsWith(`${c.path}/`) || c.path === path);
  return next ? entryAt(next, path) : null;
}

const round = (n) => Math.round(n * 10) / 10;
const rectText = (r) => `${round(r[2])} × ${round(r[3])} at ${round(r[0])}, ${round(r[1])}`;

function rowOf(entry, depth) {
  const v = entry.view;
  const label = [String(v.class ?? "?")];
  if (typeof v.text === "string") label.push(`“${v.text}”`);
  const open = opened.get(entry.path) ?? depth < 4;
  const twist = entry.children.length
    ? el("button", { class: "twist", "aria-label": "Open or close", "aria-expanded": String(open),
      onclick: () => setOpen(entry, entry.kids.hidden) }, open ? "▾" : "▸")
    : el("span", { class: "twist" });
  const name = el("button", { class: "view-name", onclick: () => choose(entry, false),
    onmouseenter: () => drawOutline(entry), onmouseleave: () => drawOutline(hovered || chosen) },
    label.join(" "), el("span", { class: "view-rect" }, rectText(entry.rect)));
  entry.row = el("div", { class: entry.shown ? "view-row" : "view-row unseen", role: "treeitem" }, twist, name);
  entry.kids = el("div", { class: "view-kids", role: "group" }, ...entry.children.map((c) => rowOf(c, depth + 1)));
  entry.kids.hidden = !open;
  return el("div", { class: "view-node" }, entry.row, entry.kids);
}

function setOpen(entry, open) {
  if (!entry.kids || !entry.children.length) return;
  entry.kids.hidden = !open;
  opened.set(entry.path, open);
  const twist = entry.row.querySelector("button.twist");
  twist.textContent = open ? "▾" : "▸";
  twist.setAttribute("aria-expanded", String(open));
}

function drawOutline(entry) {
  if (!entry || !root) {
    outline.hidden = true;
    return;
  }
  const { width, height } = state.screen;
  const [x, y, w, h] = entry.rect;
  Object.assign(outline.style, { left: `${x / width * 100}%`, top: `${y / height * 100}%`,
    width: `${w / width * 100}%`, height: `${h / height * 100}%` });
  outlineLabel.textContent = `${entry.view.class ?? "?"} ${rectText(entry.rect)}`;
  outline.classList.toggle("label-below", y < 24);
  outline.hidden = false;
}

function fact(name, value) {
  return value === undefined || value === null ? [] : [el("dt", {}, name), el("dd", {}, String(value))];
}

function colorText(c) { return Array.isArray(c) ? `rgba(${c.map((n) => round(Number(n))).join(", ")})` : null; }

function choose(entry, reveal) {
  if (chosen) chosen.row.classList.remove("chosen");
  chosen = entry;
  entry.row.classList.add("chosen");
  if (reveal) {
    for (let up = entry.parent; up; up = up.parent) setOpen(up, true);
    entry.row.scrollIntoView({ block: "nearest" });
  }
  drawOutline(entry);
  const v = entry.view;
  const fit = v.textFit && typeof v.textFit === "object" ? v.textFit : null;
  facts.replaceChildren(
    ...fact("Class", v.class), ...fact("Library", v.library), ...fact("On the screen", rectText(entry.rect)),
    ...fact("Frame", Array.isArray(v.frame) ? rectText(v.frame.map(Number)) : null),
    ...fact("Alpha", v.alpha), ...fact("Hidden", v.hidden), ...fact("Shown", entry.shown ? "yes" : "no"),
    ...fact("Text", typeof v.text === "string" ? `“${v.text}”` : null),
    ...fact("Font", v.font && typeof v.font === "object" ? `${v.font.name} ${v.font.size} pt` : null),
    ...fact("Text colour", colorText(v.textColor)), ...fact("Background", colorText(v.backgroundColor)),
    ...fact("Lines", fit ? `${fit.shownLines} of ${fit.lines} shown${fit.truncated ? ", truncated" : ""}` : null));
}

// The topmost shown view under a point: later siblings lie over earlier ones.
function viewAt(entry, x, y) {
  const [ex, ey, w, h] = entry.rect;
  if (!entry.shown || x < ex || y < ey || x >= ex + w || y >= ey + h) return null;
  for (let i = entry.children.length - 1; i >= 0; --i) {
    const hit = viewAt(entry.children[i], x, y);
    if (hit) return hit;
  }
  return entry;
}

export async function loadViewTree(quiet = false) {
  if (reading) return;
  reading = true;
  readSerial = window.__frames.serial;
  if (!quiet) note("inspect-note", "reading the view tree…");
  try {
    const dump = await api("/api/view-tree");
    if (!dump || typeof dump.views !== "object" || dump.views === null) throw new Error("the device's dump holds no views");
    const keep = chosen && chosen.path, scrolled = treeRoot.scrollTop;
    root = entryOf(dump.views, null, "0");
    chosen = hovered = null;
    facts.replaceChildren();
    treeRoot.replaceChildren(rowOf(root, 0));
    treeRoot.scrollTop = scrolled;
    const again = keep && entryAt(root, keep);
    if (again) choose(again, false);
    hovered = hoverPoint ? viewAt(root, hoverPoint.x, hoverPoint.y) : null;
    drawOutline(hovered || chosen);
    note("inspect-note", `read at ${new Date().toLocaleTimeString()}`);
  } catch (e) {
    root = chosen = hovered = null;
    treeRoot.replaceChildren();
    drawOutline(null);
    note("inspect-note", `the view tree could not be read: ${e.message}`);
  } finally {
    reading = false;
  }
}

// A click on the screen while inspecting, in screen points.
export function inspectAt(point) {
  const hit = root && viewAt(root, point.x, point.y);
  if (hit) choose(hit, true);
  else note("inspect-note", "no shown view there");
}

// The pointer over the screen while inspecting, in screen points (null: it left).
export function inspectHover(point) {
  hoverPoint = point;
  hovered = point && root ? viewAt(root, point.x, point.y) : null;
  drawOutline(hovered || chosen);
}

// The tree follows the screen: read again once a second if a frame came meanwhile.
setInterval(() => {
  if (state.inspecting && !state.serverGone && state.device === "live" && window.__frames.serial !== readSerial)
    loadViewTree(true);
}, 1000);

function setInspecting(on) {
  state.inspecting = on;
  toggle.setAttribute("aria-pressed", String(on));
  document.body.classList.toggle("inspecting", on);
  if (on) {
    $("inspect-panel").scrollIntoView({ block: "nearest" });
    loadViewTree();
  } else {
    hoverPoint = hovered = null;
    drawOutline(null);
  }
}

toggle.addEventListener("click", () => setInspecting(!state.inspecting));
$("inspect-refresh").addEventListener("click", () => loadViewTree());
