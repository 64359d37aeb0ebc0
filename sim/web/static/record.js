// The page's record button: the screen as the page draws it, recorded by the
// browser from the canvas (a frame each time the canvas changes, so a still
// screen costs next to nothing) and downloaded as WebM when stopped.
// `orvelle-sim record` does the same from the tool, at the device's pixels.
import { $, el, note } from "./dom.js";

const button = $("record-screen");
let recorder = null;

function download(blob) {
  const link = el("a", { href: URL.createObjectURL(blob), download: `orvelle-screen-${Date.now()}.webm` });
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

function codec() {
  for (const type of ["video/webm;codecs=vp9", "video/webm;codecs=vp8", "video/webm"])
    if (window.MediaRecorder && MediaRecorder.isTypeSupported(type)) return type;
  return null;
}

button.addEventListener("click", () => {
  if (recorder) {
    recorder.stop();
    return;
  }
  const type = codec();
  if (!type) return note("frame-note", "this browser cannot record a canvas; use orvelle-sim record");
  const chunks = [];
  recorder = new MediaRecorder($("screen").captureStream(), { mimeType: type });
  recorder.addEventListener("dataavailable", (e) => { if (e.data.size) chunks.push(e.data); });
  recorder.addEventListener("stop", () => {
    recorder = null;
    button.textContent = "● Record";
    button.setAttribute("aria-pressed", "false");
    if (chunks.length) download(new Blob(chunks, { type }));
    else note("frame-note", "nothing was recorded");
  });
  recorder.start(1000);
  button.textContent = "■ Stop recording";
  button.setAttribute("aria-pressed", "true");
  note("frame-note", "");
});
