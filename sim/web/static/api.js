// The server's JSON API: a GET, a POST with a JSON body, or a file uploaded;
// a refusal is an HttpError carrying the server's one line.
export class HttpError extends Error {}

// The device this page shows: a server of several serves device N's page,
// API and live connection under "/d/N/"; with one device, all is at "/".
export const base = /^\/d\/\d{1,4}\//.exec(location.pathname)?.[0] || "/";
export function here(path) { return path.startsWith("/api/") ? base + path.slice(1) : path; }

// Shown in the page of every device, whose switch may make this page's
// changes on every other device shown too: it is told each change made here.
export const embedded = window.parent !== window;
export const sharedChanges = new Set(["/api/prefs/set", "/api/prefs/press", "/api/weather", "/api/media", "/api/clock",
  "/api/respring", "/api/lock", "/api/statusbar", "/api/notifications", "/api/notifications/clear"]);
export function told(path, body) {
  if (embedded && sharedChanges.has(path)) window.parent.postMessage({ orvelle: "change", path, body }, location.origin);
}

async function answered(url, init) {
  const res = await fetch(url, init);
  const data = await res.json().catch(() => ({}));
  if (!res.ok) throw new HttpError(data.error || `${url}: ${res.status}`);
  return data;
}

const posting = (body) => ({ method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) });

export async function api(path, body) {
  if (body === undefined) return answered(here(path), {});
  const answer = await answered(here(path), posting(body));
  told(path, body);
  return answer;
}

// The same POST to another device of the server, by its base ("/d/N/").
export function apiOf(deviceBase, path, body) {
  return answered(deviceBase + path.slice(1), posting(body));
}

// A file as the body of a POST (a package, a picture), sent as `type`.
export async function upload(path, type, file) {
  return answered(here(path), { method: "POST", headers: { "Content-Type": type }, body: file });
}
