// The device's controls: the weather, media, the lock state and the status
// bar, the restart of the home screen, and booting a device that is down. Each says what happened, or why not, in
// its own panel, beside the control that asked.
import { api } from "./api.js";
import { $, note } from "./dom.js";
import { renderStatus } from "./status.js";

async function control(path, body, noteId) {
  try {
    const s = await api(path, body);
    if (s && s.model) renderStatus(s);
    note(noteId, "");
    return true;
  } catch (e) {
    note(noteId, e.message);
    return false;
  }
}

// A form's filled fields; blank ones are left out.
export function formValues(form) {
  const out = {};
  for (const [k, v] of new FormData(form)) if (v !== "") out[k] = v;
  return out;
}

// A text field the user emptied clears its value (null); one left blank keeps
// it. The icon is cleared by choosing none.
$("weather-form").addEventListener("input", (e) => { e.target.dataset.edited = "yes"; });
$("weather-form").addEventListener("submit", (e) => {
  e.preventDefault();
  const values = formValues(e.target);
  for (const field of e.target.querySelectorAll("input")) {
    if (field.dataset.edited && field.value === "") values[field.name] = null;
  }
  if (values.icon === "none") values.icon = null;
  control("/api/weather", values, "weather-note");
});
$("media-play").addEventListener("click", () => control("/api/media", { playing: true }, "media-note"));
$("media-stop").addEventListener("click", () => control("/api/media", { playing: false }, "media-note"));
// The lock state and the status bar's overrides last until the home screen
// restarts; the note says what is in force.
async function phone(path, body) {
  try {
    const answer = await api(path, body);
    if ("locked" in answer) note("phone-note", answer.locked ? "Locked." : "Unlocked by the owner's fingerprint.");
    if (answer.statusBar) {
      const b = answer.statusBar;
      const parts = [];
      if ("carrier" in b) parts.push(`carrier “${b.carrier}”`);
      if ("signal" in b) parts.push(`signal ${b.signal}`);
      if ("battery" in b) parts.push(`battery ${b.battery} %`);
      if ("charging" in b) parts.push(b.charging ? "charging" : "not charging");
      note("phone-note", parts.length ? `Status bar: ${parts.join(", ")}.` : "Status bar: the device's own.");
    }
  } catch (e) {
    note("phone-note", e.message);
  }
}
$("lock-locked").addEventListener("click", () => phone("/api/lock", { locked: true }));
$("lock-unlocked").addEventListener("click", () => phone("/api/lock", { locked: false }));
$("statusbar-form").addEventListener("submit", (e) => {
  e.preventDefault();
  const v = formValues(e.target);
  const body = {};
  if ("carrier" in v) body.carrier = v.carrier;
  if ("signal" in v) body.signal = Number(v.signal);
  if ("battery" in v) body.battery = Number(v.battery);
  if ("charging" in v) body.charging = v.charging === "yes";
  phone("/api/statusbar", body);
});
$("statusbar-clear").addEventListener("click", () => phone("/api/statusbar", { clear: true }));
$("respring").addEventListener("click", () => control("/api/respring", {}, "device-note"));

$("boot").addEventListener("click", async () => {
  $("boot").disabled = true;
  $("down-why").textContent = "Booting…";
  try {
    renderStatus(await api("/api/boot", {}));
  } catch (e) {
    $("down-why").textContent = e.message;
  }
  $("boot").disabled = false;
});
