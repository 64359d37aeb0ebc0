// The connection as the pill shows it: live, starting, the device down (and
// why, with its log's last lines) or the server gone (retried, ever less often).
import { loadCrashReports } from "./crashes.js";
import { $, note } from "./dom.js";
import { currentPage, showPage } from "./settings.js";
import { state } from "./state.js";
import { refreshStatus } from "./status.js";

export function showConnection() {
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

export function onDeviceState(event) {
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

// The server is gone: the page waits longer each time before it calls
// `reconnect` again.
let retryMs = 1000;
export function serverGone(reconnect) {
  if (!state.serverGone) {
    state.serverGone = true;
    showConnection();
  }
  $("server-gone").textContent =
    `The simulator's server stopped. Run ./run again; this page reconnects by itself (next try in ${Math.round(retryMs / 1000)} s).`;
  setTimeout(reconnect, retryMs);
  retryMs = Math.min(retryMs * 2, 30000);
}

export function serverBack() {
  retryMs = 1000;
  if (!state.serverGone) return;
  state.serverGone = false;
  showConnection();
  refreshStatus();
  showPage(currentPage());
  loadCrashReports();
}
