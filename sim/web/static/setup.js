// The setup form: another system version, screen (an iPhone's or an iPad's),
// time zone, locale or wallpaper for the device. It starts from the device as it is; a refusal is
// shown beside the field it names, and what the user chose stays until they
// change it.
import { api, upload } from "./api.js";
import { $, el } from "./dom.js";
import { formValues } from "./controls.js";
import { onStatus, refreshStatus, renderStatus } from "./status.js";

const form = $("device-form");
const setupNote = $("setup-note");
let kept = false;  // the user's choice stands over the device's own values

function fillSetup(s) {
  const set = (name, value) => {
    const field = form.elements[name];
    if (!field || value == null) return;
    if (field.tagName === "SELECT" && ![...field.options].some((o) => o.value === value)) {
      field.append(el("option", { value, textContent: value }));
    }
    field.value = value;
  };
  set("systemVersion", s.systemVersion);
  set("screen", s.screen && `${s.screen.width}x${s.screen.height}`);
  set("timeZone", s.timeZone);
  set("locale", s.locale);
  set("wallpaper", s.wallpaper);
}
let filled = false;
onStatus((s) => {
  if (filled || kept) return;
  fillSetup(s);
  filled = true;
});

// The device table's refusals begin with what they refuse (sim/device's
// DeviceModels.cpp, the wallpaper's check): the field that asked for it.
const subjects = [["the system version", "systemVersion"], ["the screen", "screen"], ["the time zone", "timeZone"],
  ["the locale", "locale"], ["the wallpaper", "wallpaper"]];

function fieldRefused(message) {
  const found = subjects.find(([words]) => message.startsWith(words));
  return found ? form.elements[found[1]] : null;
}

const apply = form.querySelector("button[type=submit]");

// The setup's note: under Apply, or beside the field a refusal names.
function say(text, { refused = false, field = null } = {}) {
  for (const f of form.elements) {
    f.removeAttribute("aria-invalid");
    f.removeAttribute("aria-describedby");
  }
  setupNote.textContent = text;
  setupNote.classList.toggle("refused", refused);
  (field ? field.closest("label") : apply).after(setupNote);
  if (field) {
    field.setAttribute("aria-invalid", "true");
    field.setAttribute("aria-describedby", "setup-note");
  }
}

// A refusal stands until the user changes what was refused.
form.addEventListener("change", () => {
  if (setupNote.classList.contains("refused")) say("");
});

form.addEventListener("submit", async (e) => {
  e.preventDefault();
  say("Applying…");
  try {
    // The screen chosen says which kind of device it is.
    const values = formValues(form);
    const screen = form.elements.screen;
    values.model = screen.selectedOptions[0]?.dataset.model || "iPhone";
    const s = await api("/api/device", values);
    kept = false;
    filled = false;
    renderStatus(s);
    say("");
    refreshStatus();
  } catch (err) {
    // The device stays as it was; the form keeps what was asked.
    kept = true;
    say(err.message, { refused: true, field: fieldRefused(err.message) });
  }
});

// A picture of the user's as the wallpaper: the device checks it, keeps it and
// starts its home screen again on it.
const pictureForm = $("wallpaper-form");
const pictureNote = $("wallpaper-note");
const kLargestPicture = 64 * 1024 * 1024;
pictureForm.addEventListener("submit", async (e) => {
  e.preventDefault();
  const picture = pictureForm.elements.picture.files[0];
  if (!picture) return void (pictureNote.textContent = "Choose a PNG or JPEG picture first.");
  if (picture.size > kLargestPicture) {
    return void (pictureNote.textContent = `${picture.name} is larger than the 64 MB a wallpaper may be.`);
  }
  const type = picture.type || (/\.png$/i.test(picture.name) ? "image/png" : "image/jpeg");
  pictureNote.textContent = `Sending ${picture.name}…`;
  try {
    const s = await upload("/api/wallpaper", type, picture);
    renderStatus(s);
    filled = false;
    refreshStatus();
    pictureNote.textContent = `${picture.name} is the wallpaper.`;
  } catch (err) {
    pictureNote.textContent = err.message;
  }
});
