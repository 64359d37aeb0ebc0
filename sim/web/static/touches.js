// The mouse as one finger: each press, move and lift goes to the device as a
// message of the page's live connection, numbered, in order. The server's
// session with the device lets moves that pile up collapse into the newest,
// and each drawn frame says which touch it shows.
import { note } from "./dom.js";
import { inspectAt, inspectHover } from "./inspect.js";
import { canvas } from "./screen.js";
import { state } from "./state.js";
import { sendToDevice } from "./stream.js";
import { TouchPhase } from "./wire.js";

const touches = { down: false, seq: 0 };
// When each touch went out, for the browser benchmark: seq -> time.
window.__touches = new Map();

function toPoints(event) {
  const r = canvas.getBoundingClientRect();
  return {
    x: (event.clientX - r.left) * state.screen.width / r.width,
    y: (event.clientY - r.top) * state.screen.height / r.height,
  };
}

function sendTouch(phase, p) {
  const seq = ++touches.seq;
  if (!sendToDevice({ touch: { phase, x: p.x, y: p.y, seq } })) {
    note("frame-note", "the touch was not sent: the page is not connected");
    return;
  }
  window.__touches.set(seq, performance.now());
  if (window.__touches.size > 4000) window.__touches.delete(window.__touches.keys().next().value);
}

canvas.addEventListener("pointerdown", (e) => {
  if (e.button !== 0) return;
  if (state.inspecting) return inspectAt(toPoints(e));
  canvas.setPointerCapture(e.pointerId);
  touches.down = true;
  sendTouch(TouchPhase.DOWN, toPoints(e));
});
canvas.addEventListener("pointermove", (e) => {
  if (state.inspecting) return inspectHover(toPoints(e));
  if (touches.down) sendTouch(TouchPhase.MOVE, toPoints(e));
});
canvas.addEventListener("pointerleave", () => { if (state.inspecting) inspectHover(null); });
function lift(e) {
  if (!touches.down) return;
  touches.down = false;
  sendTouch(TouchPhase.UP, toPoints(e));
}
canvas.addEventListener("pointerup", lift);
canvas.addEventListener("pointercancel", lift);
