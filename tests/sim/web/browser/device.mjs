// A device made with orvelle-sim for the browser test: the tool's verbs, the
// lock screen's view tree, the device's property-list files, and bounded waits.
import { execFile } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { promisify } from "node:util";

const run = promisify(execFile);

export const sim = process.env.ORVELLE_SIM || path.resolve("build/bin/orvelle-sim");

// Runs one verb; its standard output, or a failure naming the verb and what it said.
export async function simVerb(...words) {
    try {
        const { stdout } = await run(sim, words, { timeout: 120_000, maxBuffer: 64 << 20 });
        return stdout;
    } catch (e) {
        const said = (e.stderr || e.message || "").trim().split("\n").pop();
        throw new Error(`orvelle-sim ${words.join(" ")} failed (${e.code ?? e.signal}): ${said}`);
    }
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `probe` until it answers something other than undefined/false, for at
// most `ms`; fails with `what` and the last value or error seen.
export async function waitFor(what, ms, probe, every = 100) {
    const deadline = Date.now() + ms;
    let last;
    for (;;) {
        try {
            const value = await probe();
            if (value !== undefined && value !== false) return value;
            last = value;
        } catch (e) {
            last = e.message;
        }
        if (Date.now() > deadline) {
            throw new Error(`timed out after ${ms} ms waiting for ${what} (last: ${JSON.stringify(last)})`);
        }
        await sleep(every);
    }
}

// The tweak's update notice, taken as already seen: its alert would take the first touches.
export function markUpdateNoticeSeen(device) {
    const folder = path.join(device, "var/mobile/Library/Preferences");
    fs.mkdirSync(folder, { recursive: true });
    fs.writeFileSync(path.join(folder, "com.tovik.installorvellehasbeenupdated140.plist"), "");
}

export async function dump(device) {
    return JSON.parse(await simVerb("dump", device));
}

// Every view under `root` matching `match`, with its frame in the window's
// coordinates; `origin` is where `root`'s superview sits in the window, none
// for the window itself (the origin of its own coordinates).
export function findViews(root, match, origin) {
    const found = [];
    const walk = (view, at) => {
        const [x, y, w, h] = view.frame;
        const inWindow = at ? { x: x + at.x, y: y + at.y, w, h } : { x, y, w, h };
        if (match(view)) found.push({ view, inWindow });
        for (const sub of view.subviews || []) walk(sub, at ? inWindow : { x: 0, y: 0 });
    };
    walk(root, origin);
    return found;
}

// The panel's draggable container that holds the time (not the weather's picture).
export function clockBlock(dumpJson) {
    return findViews(dumpJson.views, (v) => v.class === "OVClockDragView")
        .find((b) => !(b.view.subviews || []).some((s) => s.class === "UIImageView"));
}

// The clock block's label showing the time, "21:05" or "9:05".
export function timeLabel(dumpJson) {
    const block = clockBlock(dumpJson);
    if (!block) return undefined;
    const atBlock = { x: block.inWindow.x - block.view.frame[0], y: block.inWindow.y - block.view.frame[1] };
    return findViews(block.view, (v) => typeof v.text === "string" && /^\d{1,2}:\d{2}$/.test(v.text), atBlock)[0];
}

export async function springBoardPid(device) {
    const out = await simVerb("status", device);
    const m = /^SpringBoard\s+(\d+)\s*$/m.exec(out);
    return m ? Number(m[1]) : 0;
}

// The entries of a property-list file written as XML, strings and numbers as
// text; undefined while the file does not exist.
export function readPlist(file) {
    let text;
    try {
        text = fs.readFileSync(file, "utf8");
    } catch (e) {
        if (e.code === "ENOENT") return undefined;
        throw e;
    }
    if (text.startsWith("bplist")) throw new Error(`${file}: a binary property list, not read here`);
    const entries = {};
    const entry = /<key>([^<]*)<\/key>\s*(?:<(string|real|integer)>([^<]*)<\/\2>|<(true|false)\/>)/g;
    for (let m; (m = entry.exec(text));) entries[m[1]] = m[4] ? m[4] === "true" : m[3];
    return entries;
}
