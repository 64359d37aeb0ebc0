// The Tweaks panel: every library in the device's DynamicLibraries with the
// loader's decision and the package it came in, the installed packages, and
// installing and removing a package file. It builds on app.js (el).
"use strict";

(() => {
  const panel = document.getElementById("tweaks");
  if (!panel) return;

  const rows = el("tbody", { id: "tweak-rows" });
  const packageList = el("ul", { id: "package-list", class: "package-list" });
  const file = el("input", { type: "file", name: "package", accept: ".deb" });
  const form = el("form", { id: "package-form", class: "form" },
    el("label", {}, "Package file ", file),
    el("button", { type: "submit", textContent: "Install" }));
  const note = el("p", { id: "tweaks-note", class: "note", role: "status" });
  panel.append(
    el("section", { class: "panel", "aria-labelledby": "tweaks-heading" },
      el("h2", { id: "tweaks-heading", textContent: "Tweaks" }),
      el("table", { class: "tweak-list" },
        el("thead", {}, el("tr", {}, ...["Library", "Loader", "Package"].map((t) => el("th", { textContent: t })))),
        rows)),
    el("section", { class: "panel", "aria-labelledby": "packages-heading" },
      el("h2", { id: "packages-heading", textContent: "Packages" }),
      packageList,
      form,
      note),
  );

  async function call(path, init) {
    const res = await fetch(path, init);
    const data = await res.json().catch(() => ({}));
    if (!res.ok) throw new Error(data.error || `${path}: ${res.status}`);
    return data;
  }

  function said(change, what) {
    const was = change.previousVersion ? ` (was ${change.previousVersion})` : "";
    const respring = change.resprung ? "; SpringBoard restarted" : "";
    return `${change.package} ${change.version || change.previousVersion} ${what}${was}${respring}`;
  }

  async function remove(name) {
    try {
      note.textContent = `removing ${name}…`;
      const change = await call("/api/packages/remove", {
        method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify({ package: name }),
      });
      note.textContent = said(change, "removed");
    } catch (e) {
      note.textContent = e.message;
    }
    refresh();
  }

  function show(state) {
    rows.replaceChildren(...state.libraries.map((l) => el("tr", { class: l.loaded ? "loaded" : "not-loaded" },
      el("td", { textContent: l.library }),
      el("td", { textContent: `${l.loaded ? "loaded" : "not loaded"}: ${l.reason}` }),
      el("td", { textContent: l.package ? `${l.package} ${l.version}` : "(no package)" }))));
    packageList.replaceChildren(...state.packages.map((p) => el("li", {},
      el("span", { textContent: `${p.name || p.package} ${p.version} ` }),
      el("button", { textContent: "Remove", title: `remove ${p.package}`, onclick: () => remove(p.package) }))));
  }

  async function refresh() {
    try {
      show(await call("/api/tweaks"));
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
      const change = await call(`/api/packages/install?name=${encodeURIComponent(chosen.name)}`, {
        method: "POST", headers: { "Content-Type": "application/vnd.debian.binary-package" }, body: chosen,
      });
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
})();
