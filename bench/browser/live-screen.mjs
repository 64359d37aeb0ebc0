// The live page in Chromium on a booted device: how many frames the page
// draws a second while a block of the panel is dragged, and how long a
// pointer move takes to show: truly (from the move to the first frame drawn
// that says it shows that touch or a later one), and as it was first
// measured (to the next frame drawn, whichever touch it showed).
//
//   node bench/browser/live-screen.mjs [build/bin/orvelle-sim]
//
// It makes a device of its own in a temporary folder, boots and serves it,
// and removes it at the end. playwright-core comes from the browser test's
// build folder (build/tests/sim/web/browser/node), Chromium from the system.
import { execFile, spawn } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { promisify } from "node:util";

const run = promisify(execFile);
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const sim = process.argv[2] || path.join(root, "build/bin/orvelle-sim");
const modules = process.env.ORVELLE_NODE_MODULES || path.join(root, "build/tests/sim/web/browser/node");
const { chromium } = createRequire(path.join(modules, "package.json"))("playwright-core");

const work = fs.mkdtempSync(path.join(os.tmpdir(), "orvelle-live-bench-"));
fs.chmodSync(work, 0o711);
const device = path.join(work, "device");
const verb = (...words) => run(sim, words, { timeout: 120_000 });
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

let serve, browser;
try {
    await verb("create", device);
    await verb("settings", device, "set", "enableOVS", "true", "--type", "bool");
    await verb("settings", device, "set", "disFlashing", "true", "--type", "bool");  // only the drag moves
    await verb("boot", device);
    serve = spawn(sim, ["serve", device, "--port", "0"], { stdio: ["ignore", "pipe", "inherit"] });
    const address = await new Promise((resolve, reject) => {
        let out = "";
        serve.stdout.setEncoding("utf8").on("data", (c) => {
            out += c;
            const m = /at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(out);
            if (m) resolve(m[1]);
        });
        serve.once("exit", () => reject(new Error(`serve ended: ${out}`)));
    });
    browser = await chromium.launch({ executablePath: process.env.ORVELLE_CHROMIUM || "/usr/bin/chromium",
        args: ["--no-sandbox", "--disable-gpu"] });
    const page = await browser.newPage({ viewport: { width: 1400, height: 1000 } });
    await page.goto(address);
    await page.waitForFunction(() => document.getElementById("connection").textContent === "live", null, { timeout: 30_000 });
    await sleep(1500);

    // Close the update notice a new device shows, and find the clock block.
    const dump = async () => JSON.parse((await verb("dump", device)).stdout);
    let d = await dump();
    for (let tries = 0; !d.alerts.length && tries < 20; tries++) {
        await sleep(250);
        d = await dump();
    }
    const box = await page.locator("#screen").boundingBox();
    const toPage = (x, y) => ({ x: box.x + x * box.width / d.screen.width, y: box.y + y * box.height / d.screen.height });
    if (d.alerts.length) {
        const [x, y, w, h] = d.alerts[0].buttonFrames[0];
        const p = toPage(x + w / 2, y + h / 2);
        await page.mouse.click(p.x, p.y);
        await sleep(800);
        d = await dump();
    }
    const findBlock = (v, at) => {
        const [x, y, w, h] = v.frame;
        const here = { x: x + at.x, y: y + at.y, w, h };
        if (v.class === "OVClockDragView") return { ...here, alpha: v.alpha };
        for (const s of v.subviews || []) {
            const f = findBlock(s, v.class === "UIWindow" ? { x: 0, y: 0 } : here);
            if (f) return f;
        }
        return null;
    };
    const block = findBlock(d.views, { x: 0, y: 0 });
    if (!block) throw new Error("no clock block on the lock screen");
    const start = toPage(block.x + block.w / 2, block.y + block.h / 2);

    // A long press puts the block in move mode; then it follows a drag.
    await page.mouse.move(start.x, start.y);
    await page.mouse.down();
    await sleep(800);
    await page.mouse.up();
    // The block is in move mode once it shows at half alpha.
    for (let tries = 0; findBlock((await dump()).views, { x: 0, y: 0 }).alpha !== 0.5; tries++) {
        if (tries > 40) throw new Error("the clock block did not enter move mode after a long press");
        await sleep(250);
    }
    await page.mouse.move(start.x, start.y);
    await page.mouse.down();
    // Move at once, so the pan takes the touch before a second long press would.
    await page.mouse.move(start.x, start.y + 20, { steps: 2 });

    // Drag for three seconds, a pointer move at every animation frame of the
    // page (60 Hz) as a hand would make them: dispatched in the page, since a
    // move sent from here costs a round trip to the browser. The page notes
    // when each move reached it, and each move's latency is the time to the
    // next frame it drew.
    const before = await page.evaluate(() => window.__frames.count);
    const began = Date.now();
    const moves = await page.evaluate(({ x, y }) => new Promise((resolve) => {
        const canvas = document.getElementById("screen");
        window.__moves = [];
        const start = performance.now();
        let i = 0;
        const step = () => {
            const now = performance.now();
            if (now - start >= 3000) return resolve(i);
            const t = (i++ % 120) / 120 * 2 * Math.PI;
            window.__moves.push(now);
            canvas.dispatchEvent(new PointerEvent("pointermove", { bubbles: true, pointerId: 1, pointerType: "mouse",
                clientX: x + 60 * Math.sin(t), clientY: y + 20 + 120 * (1 - Math.cos(t)) / 2 }));
            requestAnimationFrame(step);
        };
        requestAnimationFrame(step);
    }), start);
    const seconds = (Date.now() - began) / 1000;
    await sleep(500);
    const frames = (await page.evaluate(() => window.__frames.count)) - before;
    const nextFrame = await page.evaluate(() => window.__moves.map((m) => {
        const drawn = window.__frames.times.find((t) => t > m);
        return drawn !== undefined && drawn - m < 500 ? drawn - m : null;
    }).filter((l) => l !== null));
    // Each touch sent, to the first frame that shows it (its number or a later one).
    const shown = await page.evaluate(() => {
        const out = [];
        for (const [seq, sent] of window.__touches) {
            if (sent < window.__moves[0]) continue;
            const frame = window.__frames.shown.find((f) => f.touch >= seq && f.time >= sent);
            out.push(frame ? frame.time - sent : null);
        }
        return out;
    });
    await page.mouse.up();

    const stats = (values) => {
        const v = values.filter((l) => l !== null).sort((a, b) => a - b);
        return { n: v.length, median: v.length ? v[Math.floor(v.length / 2)] : NaN,
            p95: v.length ? v[Math.floor(v.length * 0.95)] : NaN };
    };
    const truly = stats(shown), next = stats(nextFrame);
    console.log(`frames drawn while dragging: ${frames} in ${seconds.toFixed(1)} s = ${(frames / seconds).toFixed(1)} per second`);
    console.log(`touch to the first frame that shows it: median ${truly.median.toFixed(1)} ms, ` +
        `95th percentile ${truly.p95.toFixed(1)} ms (${truly.n} of ${shown.length} touches shown)`);
    console.log(`pointer move to the next frame drawn (the first measure): median ${next.median.toFixed(1)} ms, ` +
        `95th percentile ${next.p95.toFixed(1)} ms (${next.n} of ${moves} pointer moves drew within 500 ms)`);
} finally {
    await browser?.close();
    if (serve && serve.exitCode === null) {
        serve.kill("SIGTERM");
        await new Promise((r) => serve.once("exit", r));
    }
    await verb("shutdown", device).catch(() => {});
    fs.rmSync(work, { recursive: true, force: true });
}
