// The server's JSON API: a GET, a POST with a JSON body, or a file uploaded;
// a refusal is an HttpError carrying the server's one line.
export class HttpError extends Error {}

async function answered(path, init) {
  const res = await fetch(path, init);
  const data = await res.json().catch(() => ({}));
  if (!res.ok) throw new HttpError(data.error || `${path}: ${res.status}`);
  return data;
}

export async function api(path, body) {
  return answered(path, body === undefined ? {} : {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  });
}

// A file as the body of a POST (a package, a picture), sent as `type`.
export async function upload(path, type, file) {
  return answered(path, { method: "POST", headers: { "Content-Type": type }, body: file });
}
