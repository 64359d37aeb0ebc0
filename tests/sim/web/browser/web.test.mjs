// The web simulator in a real headless browser: `orvelle-sim serve` on a fresh
// booted device, the page driven with the mouse as a person would, and what it
// changed checked in the device itself (its view tree, its files, its programs).
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import {
    clockBlock, dump, readPlist, sim, simVerb, sleep, springBoardPid, timeLabel, waitFor,
} from "./device.mjs";
import { centreOf, pointerOn } from "./pointer.mjs";

// playwright-core from the folder the build installed it in (or from beside this file).
const modules = process.env.ORVELLE_NODE_MODULES || path.dirname(new URL(import.meta.url).pathname);
const { chromium } = createRequire(path.join(modules, "package.json"))("playwright-core");
const browserPath = process.env.ORVELLE_CHROMIUM || "/usr/bin/chromium";

const preferences = "var/mobile/Library/Preferences";
const holdMs = 800;  // longer than a long press needs

const work = fs.mkdtempSync(path.join(os.tmpdir(), "orvelle-browser-"));
fs.chmodSync(work, 0o711);  // the device's own user passes through
const device = path.join(work, "device");
let serve;          // the serve process
let serveLog = "";  // what it printed, for failures
let address;        // "http://127.0.0.1:PORT/"
let context;        // the browser, with its own empty profile
let page;
let onPage, longPress, click, drag, contrastIn, rawGet;  // the page's pointer, once it is open
let failed = false;  // serve's output is shown when a case fails

// A case whose failure also shows what serve printed.
function check(name, body) {
    test(name, async () => {
        try {
            await body();
        } catch (e) {
            failed = true;
            // What the page showed, beside the test's working folder.
            const shot = path.resolve(`failed-${name.replace(/\W+/g, "-").slice(0, 60)}.png`);
            if (page && await page.screenshot({ path: shot }).then(() => true, () => false)) {
                e.message += ` (the page: ${shot})`;
            }
            throw e;
        }
    });
}

// Starts serve and answers the address it printed once listening.
function startServe() {
    serve = spawn(sim, ["serve", device, "--port", "0"], { stdio: ["ignore", "pipe", "pipe"] });
    const record = (chunk) => { serveLog += chunk; };
    serve.stderr.setEncoding("utf8").on("data", record);
    serve.stdout.setEncoding("utf8").on("data", record);
    const ended = new Promise((_, reject) => serve.once("exit", (code, signal) =>
        reject(new Error(`serve ended (${code ?? signal}) before listening: ${serveLog.trim()}`))));
    ended.catch(() => {});  // once listening, its end is stopServe's business
    return Promise.race([ended, waitFor("serve to print its address", 60_000,
        () => /Serving .* at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(serveLog)?.[1])]);
}

async function stopServe() {
    if (!serve || serve.exitCode !== null || serve.signalCode !== null) return;
    const ended = new Promise((resolve) => serve.once("exit", resolve));
    serve.kill("SIGTERM");
    const timer = setTimeout(() => serve.kill("SIGKILL"), 10_000);
    await ended;
    clearTimeout(timer);
}

// A point of the screen (in points) as a point of the browser's page.
describe("the web simulator in a browser", () => {
    before(async () => {
        try {
            await setUp();
        } catch (e) {
            failed = true;
            throw e;
        }
    });

    async function setUp() {
        await simVerb("create", device);
        await simVerb("settings", device, "set", "enableOVS", "true", "--type", "bool");
        await simVerb("boot", device);
        address = await startServe();
        context = await chromium.launchPersistentContext(path.join(work, "profile"), {
            executablePath: browserPath,
            headless: true,
            args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync"],
            viewport: { width: 1400, height: 1000 },
        });
        page = context.pages()[0] || await context.newPage();
        ({ onPage, longPress, click, drag, contrastIn, rawGet } = pointerOn(page, address, holdMs));
        page.on("pageerror", (e) => { serveLog += `\n[page error] ${e.message}`; });
        await page.goto(address, { timeout: 30_000 });
        // The screen's size in points, for reading the canvas.
        const status = await (await fetch(address + "api/status")).json();
        await page.evaluate((s) => { window.__screen = s; }, status.screen);
    }

    after(async () => {
        const failures = [];
        const attempt = async (what, f) => { try { await f(); } catch (e) { failures.push(`${what}: ${e.message}`); } };
        await attempt("closing the browser", () => context?.close());
        await attempt("stopping serve", stopServe);
        await attempt("shutting the device down", () => simVerb("shutdown", device));
        fs.rmSync(work, { recursive: true, force: true });
        if (failures.length) console.error(failures.join("\n"));
        if (failed && serveLog) console.error(`serve printed:\n${serveLog}`);
    });

    check("the page shows the lock screen's clock", async () => {
        const label = await waitFor("the panel's time label in the dump", 20_000, async () => timeLabel(await dump(device)));
        assert.ok(label.inWindow.w > 0 && label.inWindow.h > 0, `the time label has no size: ${JSON.stringify(label)}`);
        await waitFor(`the clock drawn on the canvas at ${JSON.stringify(label.inWindow)}`, 20_000,
            async () => (await contrastIn(label.inWindow)) > 80);
        assert.equal(await page.locator("#connection").textContent(), "live");
    });

    // A new device tells what is new in an alert that takes every touch until
    // its button is tapped, as on the phone.
    check("a click on the update notice's button closes it", async () => {
        const alert = await waitFor("the update notice in the dump", 20_000, async () => (await dump(device)).alerts[0]);
        assert.equal(alert.title, "OrvelleiOS");
        assert.deepEqual(alert.buttons, ["Okay!"]);
        const [x, y, w, h] = alert.buttonFrames[0];
        // Touches away from the button leave the alert where it is.
        await click({ x: 10, y: 10 });
        assert.equal((await dump(device)).alerts.length, 1, "a click beside the alert closed it");
        // The dump's button frame is where the page shows the button.
        await click({ x: x + w / 2, y: y + h / 2 });
        await waitFor("the alert to close", 10_000, async () => (await dump(device)).alerts.length === 0);
    });

    check("a long press, a drag and a long press move the clock and store its new corner", async () => {
        const positions = path.join(device, preferences, "com.tovik.orvelleClock.plist");
        assert.equal(readPlist(positions), undefined, "a fresh device has no clock position yet");
        const start = clockBlock(await dump(device));
        assert.ok(start, "no clock block in the dump");

        await longPress(centreOf(start.inWindow));
        await waitFor("the clock block to enter move mode (alpha 0.5)", 10_000,
            async () => clockBlock(await dump(device)).view.alpha === 0.5);

        const from = centreOf(start.inWindow);
        // Down and to the right, staying in the upper half where a block moves freely.
        await drag(from, { x: from.x + 12, y: from.y + 40 });
        const moved = await waitFor("the clock block to follow the drag", 10_000, async () => {
            const block = clockBlock(await dump(device));
            return block.inWindow.y > start.inWindow.y + 20 ? block : false;
        });
        assert.ok(moved.inWindow.x > start.inWindow.x, `moved right: ${JSON.stringify(moved.inWindow)}`);

        await longPress(centreOf(moved.inWindow));
        const stored = await waitFor("the clock position file", 10_000, () => readPlist(positions));
        const settled = clockBlock(await dump(device));
        assert.equal(settled.view.alpha, 1, "the block left move mode");
        const [x, y] = settled.view.frame;
        assert.equal(Number(stored.clockX), x, `clockX in ${JSON.stringify(stored)}`);
        assert.equal(Number(stored.clockY), y, `clockY in ${JSON.stringify(stored)}`);
        assert.deepEqual(Object.keys(stored).sort(), ["clockX", "clockY"]);
    });

    check("a switch flipped in the Settings side changes the settings file", async () => {
        // The Settings side opens on the list of panes; Orvelle's page is one click away.
        const list = await (await fetch(address + "api/prefs?page=")).json();
        const pane = list.groups.flatMap((g) => g.cells).find((c) => c.label === "Orvelle");
        assert.ok(pane, `no Orvelle in the list of panes: ${JSON.stringify(list)}`);
        await page.locator("#settings-body a.row-link", { hasText: "Orvelle" }).click();
        await waitFor("Orvelle's page", 10_000, async () => (await page.locator("#settings-title").textContent()) === "Orvelle");
        const root = await (await fetch(address + "api/prefs?page=" + encodeURIComponent(pane.page))).json();
        const cells = root.groups.flatMap((g) => g.cells);
        const cell = cells.find((c) => c.type === "switch" && c.enabled !== false && c.key !== "enableOVS");
        assert.ok(cell, `no switch to flip on the root page: ${JSON.stringify(cells)}`);
        const settingsFile = path.join(device, preferences, "com.tovik.orvelle.plist");
        const was = readPlist(settingsFile)?.[cell.key] === true;
        assert.equal(!!cell.value, was, `the page shows ${cell.key} as the file has it`);

        const row = page.locator("#settings-body .cell").filter({ hasText: cell.label });
        // The box itself is hidden; a person clicks the drawn switch around it.
        await row.first().locator("label.switch").click();
        await waitFor(`${cell.key} to become ${!was} in the settings file`, 10_000,
            () => readPlist(settingsFile)?.[cell.key] === !was);
        assert.equal((await simVerb("settings", device, "get", cell.key)).trim(), String(!was));
        // The page is drawn anew from the pane's answer, with the switch as stored.
        await waitFor("the switch to show the stored value", 5_000,
            async () => (await row.first().locator("input[type=checkbox]").isChecked()) === !was);
    });

    check("a weather field emptied in the form clears its value, one left blank keeps it", async () => {
        const record = path.join(device, "var/mobile/Library/Weather/current.plist");
        const form = page.locator("#weather-form");
        await form.locator("input[name=temperature]").fill("5°");
        await form.locator("input[name=temperature]").fill("");
        await form.locator("input[name=location]").fill("Lima");
        await form.locator("button[type=submit]").click();
        const stored = await waitFor("the record to lose its temperature", 10_000, () => {
            const r = readPlist(record);
            return r && r.location === "Lima" && !("temperature" in r) ? r : false;
        });
        assert.equal(stored.conditions, "Sunny", "the conditions, left blank, stay");

        // The icon: kept unless chosen, cleared by choosing none.
        assert.equal(stored.icon, "sun");
        await form.locator("select[name=icon]").selectOption("none");
        await form.locator("button[type=submit]").click();
        const cleared = await waitFor("the record to lose its icon", 10_000, () => {
            const r = readPlist(record);
            return r && !("icon" in r) ? r : false;
        });
        assert.equal(cleared.location, "Lima");
    });

    check("the restart button gives a new home screen, and the page shows the lock screen again by itself", async () => {
        const before = await springBoardPid(device);
        assert.ok(before > 0, "SpringBoard runs before the restart");
        await page.evaluate(() => { window.__sameDocument = true; });
        const label = timeLabel(await dump(device));
        // The frames the page drew (pushed to it: it fetches none).
        const drawn = () => page.evaluate(() => window.__frames.count);
        await page.locator("#respring").click();
        const after = await waitFor("a new SpringBoard pid", 30_000, async () => {
            const pid = await springBoardPid(device);
            return pid > 0 && pid !== before ? pid : false;
        }, 250);
        const upSince = await drawn();
        await waitFor("the page to draw a frame of the new home screen", 20_000, async () => (await drawn()) > upSince);
        await waitFor("the clock drawn on the canvas again", 20_000, async () => (await contrastIn(label.inWindow)) > 80);
        await waitFor("the page to say live", 10_000, async () => (await page.locator("#connection").textContent()) === "live");
        assert.equal(await page.locator("#frame-note").textContent(), "", "the page reports no frame error");
        assert.equal(await page.evaluate(() => window.__sameDocument), true, "the page was not reloaded");
        await waitFor("the page's device facts to show the new pid", 10_000,
            async () => (await page.locator("#device-facts").textContent()).includes(`pid ${after}`));
    });

    check("frames arrive after a change, and none while nothing moves", async () => {
        // The colon steady: a still screen.
        await simVerb("settings", device, "set", "disFlashing", "true", "--type", "bool");
        await simVerb("respring", device);
        await waitFor("the page to say live", 20_000, async () => (await page.locator("#connection").textContent()) === "live");
        const drawn = () => page.evaluate(() => window.__frames.count);
        // Settled: the last frame drawn a while ago, then nothing for three
        // seconds. The status bar's clock changes at each minute, so the three
        // seconds keep clear of one.
        for (;;) {
            await waitFor("the screen to settle", 20_000, async () => {
                const a = await drawn();
                await sleep(1500);
                return (await drawn()) === a;
            });
            const second = new Date().getSeconds();
            if (second < 55) break;
            await sleep((61 - second) * 1000);
        }
        const still = await drawn();
        await sleep(3000);
        assert.equal(await drawn(), still, "frames came while nothing moved");
        // A change on the device: frames come.
        await simVerb("weather", device, "--temperature", "-7°");
        await waitFor("a frame after the weather changed", 10_000, async () => (await drawn()) > still);
        await simVerb("settings", device, "delete", "disFlashing");
    });

    check("a refused change says why and the device stays live", async () => {
        await page.locator("#device-form input[name=timeZone]").fill("Mars/Olympus");
        await page.locator("#device-form button[type=submit]").click();
        await waitFor("the refusal on the page", 10_000, async () =>
            (await page.locator("#setup-note").textContent()).includes("\"Mars/Olympus\" is not one the date library knows"));
        assert.equal(await page.locator("#connection").textContent(), "live");
        await page.locator("#device-form input[name=timeZone]").fill("UTC");
    });

    check("a 375 x 812 device is shown unsquashed, with its notch", async () => {
        await page.locator("#device-form select[name=screen]").selectOption("375x812");
        await page.locator("#device-form button[type=submit]").click();
        await waitFor("the canvas at the new screen's pixels", 60_000, async () =>
            page.evaluate(() => document.getElementById("screen").width === 1125));
        await waitFor("the page to say live", 20_000, async () => (await page.locator("#connection").textContent()) === "live");
        const box = await page.locator("#screen").boundingBox();
        const pixels = await page.evaluate(() => [document.getElementById("screen").width, document.getElementById("screen").height]);
        assert.equal(pixels[1], 2436);
        assert.ok(Math.abs(box.width / box.height - 375 / 812) < 0.01, `the canvas is ${box.width} x ${box.height}`);
        assert.ok(await page.locator("#notch").isVisible(), "the notch is shown");
    });

    check("the device down: the page says why with the log, and boots it", async () => {
        await simVerb("shutdown", device);
        await waitFor("the page to say the device is down", 15_000,
            async () => (await page.locator("#connection").textContent()) === "device down");
        assert.ok(await page.locator("#device-down").isVisible());
        assert.match(await page.locator("#down-why").textContent(), /shut down/);
        assert.ok((await page.locator("#down-log").textContent()).length > 0, "the log's last lines are shown");
        await page.locator("#boot").click();
        await waitFor("the page to say live again", 60_000, async () => (await page.locator("#connection").textContent()) === "live");
        assert.equal(await page.locator("#device-down").isVisible(), false);
    });

    check("a foreign Host and paths outside the page's files are refused", async () => {
        const { host } = new URL(address);
        const own = await rawGet("/", { Host: host });
        assert.equal(own.status, 200, "the page itself is served to its own address");

        for (const foreign of ["example.com", "evil.test:80", `attacker.test:${new URL(address).port}`, "127.0.0.2"]) {
            const res = await rawGet("/", { Host: foreign });
            assert.equal(res.status, 403, `Host ${foreign}: ${res.status} ${res.body}`);
            const api = await rawGet("/api/status", { Host: foreign });
            assert.equal(api.status, 403, `Host ${foreign} on /api/status: ${api.status}`);
        }

        for (const p of ["/../CMakeLists.txt", "/etc/passwd", "/api/../../x", "/%2e%2e/CMakeLists.txt",
            "/..%2f..%2fetc%2fpasswd", "/static/../app.js/../../CMakeLists.txt", "//etc/passwd", "/index.html/.."]) {
            const res = await rawGet(p, { Host: host });
            assert.ok([400, 404].includes(res.status), `${p}: ${res.status}`);
            assert.doesNotMatch(res.body, /cmake_minimum_required|root:x:0:0/, `${p} leaked a file`);
        }
    });

    check("the server gone: the page says so and to run ./run again", async () => {
        await stopServe();
        await waitFor("the page to say the server is gone", 15_000,
            async () => (await page.locator("#connection").textContent()) === "server gone");
        assert.match(await page.locator("#server-gone").textContent(), /Run \.\/run again/);
        // It backs off: a few tries in ten seconds, not one every tenth of one.
        const tries = [];
        const onRequest = (r) => { if (r.url().includes("/api/")) tries.push({ at: Date.now(), url: r.url() }); };
        page.on("request", onRequest);
        await sleep(6000);
        page.off("request", onRequest);
        const byPath = {};
        for (const t of tries) { const p = new URL(t.url).pathname; byPath[p] = (byPath[p] || 0) + 1; }
        assert.ok(tries.length <= 6, `${tries.length} requests in 6 s while the server was gone: ${JSON.stringify(byPath)}`);
        assert.deepEqual(tries.filter((t) => t.url.includes("/api/tweaks")), [], "the Tweaks panel kept asking");
    });
});
