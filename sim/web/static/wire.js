// The wire's messages in the page: ToPage from the server, FromPage to it,
// coded by wire_pb.js, which the build generates from the same schema the
// device, the tool and the server speak (sim/wire/proto).
import { wire } from "./wire_pb.js";

export const { ToPage, FromPage } = wire;
export const TouchPhase = wire.Touch.Phase;

export function decodeToPage(bytes) {
  return ToPage.decode(bytes);
}

// fields: a plain object of FromPage's fields, e.g. { touch: { phase, x, y, seq } }.
export function encodeFromPage(fields) {
  return FromPage.encode(fields).finish();
}
