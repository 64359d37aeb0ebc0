// The Tweaks panel: every library in the device's DynamicLibraries with the
// loader's decision and the package it came in, the installed packages, and
// installing and removing a package file.
"use strict";

(() => {
  const panel = document.getElementById("tweaks");
  if (!panel) return;

  const make = (tag, props = {}, children = []) => {
    const el = document.createElement(tag);
    Object.assign(el, props);
    for (const child of children) el.append(child);
    return el;
  };
  const rows = make("tbody", { id: "tweak-rows" });
  const packageList = make("ul", { id: "package-list", className: "package-list" });
  const file = make("input", { type: "file", name: "package", accept: ".deb" });
  const form = make("form", { id: "package-form", className: "form" }, [
    make("label", {}, ["Package file ", file]),
    make("button", { type: "submit", textContent: "Install" }),
  ]);
  const note = make("p", { id: "tweaks-note", className: "note" });
  panel.append(
    make("h2", { textContent: "Tweaks" }),
    make("table", { className: "tweak-list" }, [
      make("thead", {}, [make("tr", {}, ["Library", "Loader", "Package"].map((t) => make("th", { textContent: t })))]),
      rows,
    ]),
    make("h2", { textContent: "Packages" }),
    packageList,
    form,
    note,
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
    rows.replaceChildren(...state.libraries.map((l) => make("tr", { className: l.loaded ? "loaded" : "not-loaded" }, [
      make("td", { textContent: l.library }),
      make("td", { textContent: `${l.loaded ? "loaded" : "not loaded"}: ${l.reason}` }),
      make("td", { textContent: l.package ? `${l.package} ${l.version}` : "(no package)" }),
    ])));
    packageList.replaceChildren(...state.packages.map((p) => make("li", {}, [
      make("span", { textContent: `${p.name || p.package} ${p.version} ` }),
      make("button", { textContent: "Remove", title: `remove ${p.package}`, onclick: () => remove(p.package) }),
    ])));
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
