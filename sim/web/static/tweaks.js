// The Tweaks panel: every library in the device's DynamicLibraries with the
// loader's decision and the package it came in, the installed packages, and
// installing and removing a package file. A removal names the package and
// is asked twice; while the server is gone the panel waits for it.
import { api, upload } from "./api.js";
import { el } from "./dom.js";
import { state as page, tellPanel } from "./state.js";

// What removing a package takes away, when it is more than its own tweak.
const removalWarnings = {
  "com.tovik.orvelle": "This takes the clock panel and its Settings pane off the device (orvelle-sim install DEVICE puts them back).",
};

const panel = document.getElementById("tweaks");
if (panel) showTweaks(panel);

function showTweaks(panel) {
  const rows = el("tbody", { id: "tweak-rows" });
  const packageList = el("ul", { id: "package-list", class: "package-list" });
  const file = el("input", { type: "file", name: "package", accept: ".deb" });
  const form = el("form", { id: "package-form", class: "form" },
    el("label", {}, "Package file ", file),
    el("button", { type: "submit", textContent: "Install" }));
  const note = el("p", { id: "tweaks-note", class: "note", role: "status" });
  const panelState = el("p", { id: "panel-state", class: "note", role: "status" });
  panel.append(
    el("section", { class: "panel", "aria-labelledby": "tweaks-heading" },
      el("h2", { id: "tweaks-heading", textContent: "Tweaks" }),
      panelState,
      el("table", { class: "tweak-list" },
        el("thead", {}, el("tr", {}, ...["Library", "Loader", "Package"].map((t) => el("th", { textContent: t })))),
        rows)),
    el("section", { class: "panel", "aria-labelledby": "packages-heading" },
      el("h2", { id: "packages-heading", textContent: "Packages" }),
      packageList,
      form,
      note),
  );

  function said(change, what) {
    const was = change.previousVersion ? ` (was ${change.previousVersion})` : "";
    const respring = change.resprung ? "; SpringBoard restarted" : "";
    return `${change.package} ${change.version || change.previousVersion} ${what}${was}${respring}`;
  }

  async function remove(name) {
    confirming = null;
    try {
      note.textContent = `removing ${name}…`;
      note.textContent = said(await api("/api/packages/remove", { package: name }), "removed");
    } catch (e) {
      note.textContent = e.message;
    }
    refresh();
  }

  // The package whose removal waits for a yes; the list is drawn anew every
  // few seconds and keeps the question.
  let confirming = null;
  let shown = null;
  let focusWanted = null;  // the button to focus once drawn, by its name
  const nameOf = (button) => button.getAttribute("aria-label") || button.textContent;

  function packageRow(p) {
    const title = `${p.name || p.package} ${p.version}`;
    if (confirming !== p.package) {
      return el("li", {},
        el("span", { textContent: title }),
        el("button", { textContent: "Remove…", "aria-label": `Remove ${p.name || p.package} (${p.package})`,
          onclick: () => { confirming = p.package; focusWanted = "Cancel"; show(shown); } }));
    }
    const question = `Remove ${p.name || p.package} (${p.package}) from the device?` +
      (removalWarnings[p.package] ? ` ${removalWarnings[p.package]}` : "");
    return el("li", { class: "confirm", role: "group", "aria-label": question },
      el("span", { textContent: question }),
      el("span", { class: "row" },
        el("button", { textContent: "Remove", class: "danger", "aria-label": `Yes, remove ${p.name || p.package}`,
          onclick: () => remove(p.package) }),
        el("button", { textContent: "Cancel", onclick: () => {
          confirming = null;
          focusWanted = `Remove ${p.name || p.package} (${p.package})`;
          show(shown);
        } })));
  }

  function show(state) {
    shown = state;
    const panel = state.panel;
    panelState.textContent = !panel ? "" : panel.shown ? "The clock panel is on the lock screen."
      : `The clock panel is not on the lock screen: ${panel.reason}.`;
    tellPanel(panel);
    rows.replaceChildren(...state.libraries.map((l) => el("tr", { class: l.loaded ? "loaded" : "not-loaded" },
      el("td", { textContent: l.library }),
      el("td", { textContent: `${l.loaded ? "loaded" : "not loaded"}: ${l.reason}` }),
      el("td", { textContent: l.package ? `${l.package} ${l.version}` : "(no package)" }))));
    if (!state.packages.some((p) => p.package === confirming)) confirming = null;
    // A redraw leaves the focus where it was.
    const want = focusWanted || (packageList.contains(document.activeElement) ? nameOf(document.activeElement) : null);
    focusWanted = null;
    packageList.replaceChildren(...state.packages.map(packageRow));
    if (want) [...packageList.querySelectorAll("button")].find((b) => nameOf(b) === want)?.focus();
  }

  async function refresh() {
    if (page.serverGone) return;
    try {
      show(await api("/api/tweaks"));
    } catch (e) {
      note.textContent = e.message;
    }
  }

  form.addEventListener("submit", async (event) => {
    event.preventDefault();
    const chosen = file.files[0];
    if (!chosen) {
      note.textContent = "choose a package file first";
      return;
    }
    note.textContent = `installing ${chosen.name}…`;
    try {
      const change = await upload(`/api/packages/install?name=${encodeURIComponent(chosen.name)}`,
        "application/vnd.debian.binary-package", chosen);
      note.textContent = said(change, "installed");
      form.reset();
    } catch (e) {
      note.textContent = e.message;
    }
    refresh();
  });

  refresh();
  // A respring or a change from the command line shows here too.
  setInterval(refresh, 3000);
}
