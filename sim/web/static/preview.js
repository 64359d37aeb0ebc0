// Previews before a restart: a row the lock screen reads only when its page is
// built is stored at once but shows after the next restart of the home screen.
// Changing one marks it pending and shows, beside the live screen, the lock
// screen as that restart will build it (drawn by the server on a copy of the
// device's files at the device's clock), with Apply (restart now) and Close
// (the change stays stored; only the preview goes). A restart clears them.
import { api, here, HttpError } from "./api.js";
import { $, note } from "./dom.js";
import { state } from "./state.js";
import { onStatus } from "./status.js";

// The panel's keys read when the lock screen's page is built (the master
// switch at start-up), not as the clock ticks.
const atNextBuild = new Set(["enableOVS", "clockStyle", "useBold", "useBlack", "subTitle", "hideWea", "hideClo",
  "moveTop", "hideText", "cusText", "setCusText", "hideToy"]);

const box = $("preview");
const image = $("preview-image");
let asked = 0;
let shownPid = null;

export function takesEffectAtRestart(key) { return atNextBuild.has(key); }
export function isPending(key) { return state.pending.has(key); }

async function draw() {
  const mine = ++asked;
  box.hidden = false;
  box.setAttribute("aria-busy", "true");
  note("preview-note", "drawing the lock screen as the next restart builds it…");
  try {
    const res = await fetch(here("/api/preview"), { method: "POST", headers: { "Content-Type": "application/json" }, body: "{}" });
    if (!res.ok) throw new HttpError((await res.json().catch(() => ({}))).error || `${res.status}`);
    const blob = await res.blob();
    if (mine !== asked) return;  // a newer change asked again
    if (image.src) URL.revokeObjectURL(image.src);
    image.src = URL.createObjectURL(blob);
    image.hidden = false;
    sizePreview();
    note("preview-note", `Pending until the home screen restarts: ${[...state.pending].join(", ")}.`);
  } catch (e) {
    if (mine === asked) note("preview-note", `the preview could not be drawn: ${e.message}`);
  } finally {
    if (mine === asked) box.removeAttribute("aria-busy");
  }
}

// A row was changed on the Settings side.
export function settingChanged(key) {
  if (!atNextBuild.has(key)) return;
  state.pending.add(key);
  draw();
}

// Beside the live screen in the room the Settings side and the panels leave
// (at most 60 % of the screen's size); where there is too little, below it,
// and the phone no longer stays in view, so the preview can be scrolled to.
function sizePreview() {
  if (box.hidden) return document.body.classList.remove("preview-below");
  const screenWidth = parseFloat($("screen").style.width) || 300;
  const bezel = $("bezel").getBoundingClientRect().width;
  const w = window.innerWidth;
  const others = w >= 1180 ? 48 + 48 + 360 + 300 : w > 760 ? 48 + 24 + 360 : 26;
  const room = w - others - bezel - 16;
  const below = room < 140;
  image.style.width = `${Math.round(below ? screenWidth * 0.6 : Math.min(room, screenWidth * 0.6))}px`;
  document.body.classList.toggle("preview-below", below);
}
window.addEventListener("resize", sizePreview);

function close() {
  asked++;
  box.hidden = true;
  image.hidden = true;
  sizePreview();
  if (image.src) URL.revokeObjectURL(image.src);
  image.removeAttribute("src");
}

$("preview-apply").addEventListener("click", async () => {
  note("preview-note", "restarting the home screen…");
  try {
    await api("/api/respring", {});
  } catch (e) {
    return note("preview-note", `the home screen could not be restarted: ${e.message}`);
  }
  restarted();
});
$("preview-close").addEventListener("click", close);

// A new home screen builds the page with every pending change.
function restarted() {
  if (!state.pending.size && box.hidden) return;
  state.pending.clear();
  close();
  document.dispatchEvent(new Event("pending-changed"));
}
onStatus((s) => {
  const pid = s.springboardPid || null;
  if (s.respringing || (shownPid !== null && pid && pid !== shownPid)) restarted();
  if (pid) shownPid = pid;
});
