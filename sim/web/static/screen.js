// The live screen: the canvas with the device's pixels, drawn one update after
// another, its size at the zoom chosen, the bezel of the device's model, and
// saving it as a PNG file.
import { embedded, here } from "./api.js";
import { $, el, note } from "./dom.js";
import { state } from "./state.js";

export const canvas = $("screen");
const ctx = canvas.getContext("2d", { alpha: false });
// What the page drew, for tests and the browser benchmark.
// Each drawn frame's time, the newest touch it shows and the device's time it shows.
window.__frames = { count: 0, times: [], serial: 0, shown: [], clock: 0 };

// Updates are drawn one after another, in the order they came.
let drawing = Promise.resolve();

// u = { serial, width, height, whole, touch, clock, pictures: [{ x, y, w, h, png }] }
export function drawUpdate(u) {
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
    f.clock = u.clock || 0;
    const now = performance.now();
    f.clockAt = now;
    f.times.push(now);
    f.shown.push({ time: now, touch: u.touch || 0 });
    if (f.times.length > 2000) f.times.splice(0, 1000);
    if (f.shown.length > 2000) f.shown.splice(0, 1000);
  }).catch((e) => note("frame-note", `a frame could not be drawn: ${e.message}`));
}

// The canvas holds the device's pixels; on the page it is its size in points
// at the zoom chosen (fit: the window's height; in a narrow window, where the
// phone stays at the top while the rest scrolls under it, less than half of it).
const narrowWindow = window.matchMedia("(max-width: 760px)");

export function layoutScreen() {
  const { width, height } = state.screen;
  const notched = height / width > 2;
  const tablet = width >= 768;
  let zoom = state.zoom === "200" ? 2 : 1;
  if (state.zoom === "fit") {
    // The whole device in the room it has, bezel included.
    const bezel = notched ? 28 : tablet ? 120 : 150;
    const sides = notched || !tablet ? 28 : 80;
    // Shown beside other devices, the frame is this device's whole window: its phone takes most of it.
    const room = narrowWindow.matches ? window.innerHeight * (embedded ? 0.62 : 0.45) : window.innerHeight - 130;
    zoom = Math.max(0.3, Math.min(1, room / (height + bezel), (window.innerWidth - 32) / (width + sides)));
  }
  document.body.dataset.zoom = state.zoom;
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
      const res = await fetch(here("/api/frame.png"), { cache: "no-store" });
      if (res.ok) return download(await res.blob());
    } catch (e) { /* the page's own copy below */ }
  }
  canvas.toBlob((blob) => (blob ? download(blob) : note("frame-note", "the screen could not be saved")), "image/png");
});
