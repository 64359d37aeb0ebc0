// The crash reports: a list, each opened as plain text.
import { api, here } from "./api.js";
import { $, el } from "./dom.js";

export async function loadCrashReports() {
  let reports = [];
  try { reports = (await api("/api/crashes")).reports || []; } catch (e) { return; }
  const list = $("crash-list");
  if (!reports.length) return list.replaceChildren(el("li", { class: "note", textContent: "No crash reports" }));
  list.replaceChildren(...reports.map((r) => el("li", {},
    el("button", { class: "crash", textContent: r.name, title: (r.summary || []).join("\n"),
      onclick: () => openCrashReport(r.name) }))));
}

async function openCrashReport(name) {
  const view = $("crash-text");
  try {
    const res = await fetch(here("/api/crashes?name=") + encodeURIComponent(name));
    view.textContent = res.ok ? await res.text() : (await res.json().catch(() => ({}))).error || `${res.status}`;
  } catch (e) {
    view.textContent = e.message;
  }
  view.hidden = false;
  view.focus();
}
