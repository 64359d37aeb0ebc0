// The device as it is: its facts and safe mode in the Device panel, the
// screen's shape, polled every two seconds while the server is there. Other
// parts follow each status through onStatus.
import { api, HttpError } from "./api.js";
import { $, el, note } from "./dom.js";
import { layoutScreen } from "./screen.js";
import { state } from "./state.js";

const listeners = [];
export function onStatus(listener) { listeners.push(listener); }

export function renderStatus(s) {
  if (s.screen) {
    const changed = s.screen.width !== state.screen.width || s.screen.height !== state.screen.height;
    state.screen = s.screen;
    if (changed || !state.laidOut) layoutScreen();
    state.laidOut = true;
  }
  const facts = [
    ["Model", s.model], ["System", s.systemVersion],
    ["Screen", s.screen && `${s.screen.width} × ${s.screen.height} @${s.screen.scale}x`],
    ["Time zone", s.timeZone], ["Locale", s.locale], ["Wallpaper", s.wallpaper],
    ["Media", s.media && (s.media.playing ? "playing" : "stopped")],
    ["SpringBoard", s.respringing ? "restarting…" : s.springboardPid ? `pid ${s.springboardPid}`
      : s.stopped ? `not running: ${s.stopped}` : "not running"],
  ];
  $("device-facts").replaceChildren(...facts.flatMap(([k, v]) =>
    [el("dt", { textContent: k }), el("dd", { textContent: v ?? "—" })]));
  const safe = s.safeMode;
  $("safe-mode").hidden = !safe;
  if (safe) {
    $("safe-mode").textContent = `Safe mode: ${safe.why}. To blame: ${safe.culprits}.` +
      (safe.report && safe.report !== "-" ? ` Report: ${safe.report}.` : "");
  }
  for (const listener of listeners) listener(s);
}

export async function refreshStatus() {
  try { renderStatus(await api("/api/status")); } catch (e) { if (e instanceof HttpError) note("device-note", e.message); }
}

export function pollStatus() {
  if (!state.serverGone) refreshStatus();
  setTimeout(pollStatus, 2000);
}
