// The device log as the server pushes it (each line once written): filtered
// by program and by text, the loader's decisions and the failures marked,
// followed at the bottom, and what is shown saved as a text file.
import { $, el, note } from "./dom.js";

// The lines the page keeps; the oldest go first.
const kKept = 5000;
const lines = [];
const programs = new Set();
const kinds = ["", "loader", "failure"];  // the wire's PageLogLine.Kind

function lineText(l) {
  const who = l.program ? `${l.program}[${l.pid}]: ` : "";
  return `${l.time ? `${l.time} ` : ""}${who}${l.text}`;
}

function shown(l) {
  const program = $("log-program").value;
  const filter = $("log-filter").value.toLowerCase();
  return (!program || l.program === program) && (!filter || lineText(l).toLowerCase().includes(filter));
}

function row(l) {
  const kind = kinds[l.kind] || "";
  const item = el("li", { class: kind ? `log-${kind}` : "" });
  if (kind) item.append(el("span", { class: "log-mark" }, kind === "failure" ? "failure " : "loader "));
  item.append(lineText(l));
  return item;
}

function followBottom() {
  const list = $("log-lines");
  if ($("log-follow").checked) list.scrollTop = list.scrollHeight;
}

function render() {
  const list = $("log-lines");
  list.replaceChildren(...lines.filter(shown).map(row));
  followBottom();
}

function notePrograms(batch) {
  for (const l of batch) {
    if (!l.program || programs.has(l.program)) continue;
    programs.add(l.program);
    $("log-program").append(el("option", { value: l.program }, l.program));
  }
}

// A message's lines: added at the end, or (recent) shown afresh.
export function showLogLines(message) {
  const batch = (message.lines || []).map((l) => ({
    time: l.time || "", program: l.program || "", pid: l.pid || 0, text: l.text || "", kind: l.kind || 0,
  }));
  notePrograms(batch);
  if (message.recent) {
    lines.length = 0;
    lines.push(...batch);
    render();
    return;
  }
  lines.push(...batch);
  const list = $("log-lines");
  for (const l of batch) if (shown(l)) list.append(row(l));
  if (lines.length > kKept) {
    lines.splice(0, lines.length - kKept);
    render();
    return;
  }
  followBottom();
}

$("log-program").addEventListener("change", render);
$("log-filter").addEventListener("input", render);
$("log-follow").addEventListener("change", followBottom);
$("log-clear").addEventListener("click", () => {
  lines.length = 0;
  render();
});
$("log-save").addEventListener("click", () => {
  const text = lines.filter(shown).map(lineText).join("\n");
  const link = el("a", { href: URL.createObjectURL(new Blob([`${text}\n`], { type: "text/plain" })), download: "device.log" });
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  note("log-note", `Saved ${text ? text.split("\n").length : 0} lines.`);
});
