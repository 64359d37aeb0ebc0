// The page's live connection (GET /api/live, a WebSocket): the server's
// messages (wire.js's ToPage) as they come, the device's state, its screen
// updates drawn as the device encoded them, settings changed elsewhere; and
// what the page sends back (touches, a whole screen asked for).
import { base } from "./api.js";
import { onDeviceState, serverBack, serverGone } from "./connection.js";
import { showLogLines } from "./log.js";
import { drawUpdate } from "./screen.js";
import { followSettings } from "./settings.js";
import { decodeToPage, encodeFromPage } from "./wire.js";

let socket = null;

// One message of the server.
function handleMessage(bytes) {
  const m = decodeToPage(bytes);
  if (m.state) onDeviceState(m.state);
  if (m.settings_changed) followSettings();
  if (m.log) showLogLines(m.log);
  const u = m.screen;
  if (!u) return;
  drawUpdate({
    serial: Number(u.serial), width: u.width, height: u.height, whole: u.whole, touch: u.touch, clock: u.clock,
    pictures: u.pictures.map((p) => ({ x: p.x, y: p.y, w: p.width, h: p.height, png: p.png })),
  });
}

// Sends a FromPage (a plain object of its fields); false while there is no connection.
export function sendToDevice(fields) {
  if (!socket || socket.readyState !== WebSocket.OPEN) return false;
  socket.send(encodeFromPage(fields));
  return true;
}

export function connectScreen() {
  const url = `${location.protocol === "https:" ? "wss" : "ws"}://${location.host}${base}api/live`;
  const ws = new WebSocket(url);
  ws.binaryType = "arraybuffer";
  ws.onopen = () => {
    socket = ws;
    serverBack();
  };
  ws.onmessage = (event) => {
    try {
      handleMessage(new Uint8Array(event.data));
    } catch (e) {
      console.error("the server sent a message the page cannot read", e);
    }
  };
  ws.onclose = () => {
    if (socket === ws) socket = null;
    // The server went (or never answered): the page waits longer each time.
    serverGone(connectScreen);
  };
}
