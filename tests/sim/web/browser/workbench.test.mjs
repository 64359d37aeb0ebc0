// The workbench panels in a real headless browser: the clock panel sets a
// time and the canvas draws a frame that shows it (each frame says the
// device's time it shows) while the panel's own labels say it; a notification
// posted from the form appears on the lock screen and in the panel's list;
// the log panel follows the device log as it is written.
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { dump, findViews, sim, simVerb, waitFor } from "./device.mjs";

const modules = process.env.ORVELLE_NODE_MODULES || path.dirname(new URL(import.meta.url).pathname);
const { chromium } = createRequire(path.join(modules, "package.json"))("playwright-core");
const browserPath = process.env.ORVELLE_CHROMIUM || "/usr/bin/chromium";

const work = fs.mkdtempSync(path.join(os.tmpdir(), "orvelle-workbench-"));
fs.chmodSync(work, 0o711);  // the device's own user passes through
const device = path.join(work, "device");
let serve;
let serveLog = "";
let context;
let page;

const labelTexts = (d) => findViews(d.views, (v) => typeof v.text === "string").map((f) => f.view.text);

describe("the workbench in a browser", () => {
    before(async () => {
        await simVerb("create", device);
        await simVerb("settings", device, "set", "enableOVS", "true", "--type", "bool");
        await simVerb("boot", device, "--tz", "UTC");
        serve = spawn(sim, ["serve", device, "--port", "0"], { stdio: ["ignore", "pipe", "pipe"] });
        for (const stream of [serve.stdout, serve.stderr]) stream.setEncoding("utf8").on("data", (c) => { serveLog += c; });
        const address = await waitFor("serve to print its address", 60_000,
            () => /Serving .* at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(serveLog)?.[1]);
        context = await chromium.launchPersistentContext(path.join(work, "profile"), {
            executablePath: browserPath,
            headless: true,
            args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync"],
            viewport: { width: 1600, height: 1000 },
        });
        page = context.pages()[0] || await context.newPage();
        page.on("pageerror", (e) => { serveLog += `\n[page error] ${e.message}`; });
        await page.goto(address, { timeout: 30_000 });
        await waitFor("the first frame", 30_000, () => page.evaluate(() => window.__frames.count > 0));
    });

    after(async () => {
        await context?.close().catch(() => {});
        if (serve && serve.exitCode === null) {
            const ended = new Promise((resolve) => serve.once("exit", resolve));
            serve.kill("SIGTERM");
            await ended;
        }
        await simVerb("shutdown", device).catch(() => {});
        fs.rmSync(work, { recursive: true, force: true });
    });

    test("the clock panel sets a time and the canvas draws it", async () => {
        await page.locator("#clock-pause").click();
        await waitFor("the panel to say paused", 10_000,
            async () => /paused/.test(await page.locator("#clock-mode").textContent()));
        await page.locator("#clock-form input[name=set]").fill("2031-07-04T09:41:00");
        await page.locator("#clock-form button[type=submit]").click();
        const set = Date.UTC(2031, 6, 4, 9, 41, 0) / 1000;
        await waitFor("a frame that shows 2031-07-04T09:41:00Z", 10_000,
            () => page.evaluate((t) => window.__frames.clock === t, set));
        assert.equal(await page.locator("#clock-time").textContent(), "2031-07-04 09:41:00");
        assert.ok(labelTexts(await dump(device)).includes("09:41"), "the panel's clock shows the time set");
        await page.locator("#clock-minute").click();
        await waitFor("a frame a minute later", 10_000, () => page.evaluate((t) => window.__frames.clock === t, set + 60));
        assert.equal((await page.locator("#clock-note").textContent()).trim(), "");
    });

    test("a rate out of range is refused with what is accepted", async () => {
        const said = await page.evaluate(async () => {
            const res = await fetch("/api/clock", { method: "POST", headers: { "Content-Type": "application/json" },
                body: JSON.stringify({ rate: 0 }) });
            return (await res.json()).error;
        });
        assert.match(said, /above 0 and at most 3600/);
    });

    test("a notification posted from the form is on the lock screen and in the list", async () => {
        const title = "Grüße 👋🏽 שלום";
        await page.locator("#notify-form input[name=app]").fill("Chat");
        await page.locator("#notify-form input[name=title]").fill(title);
        await page.locator("#notify-form textarea[name=body]").fill("from the page");
        const before = await page.evaluate(() => window.__frames.count);
        await page.locator("#notify-form button[type=submit]").click();
        await waitFor("the list to show it", 10_000,
            async () => (await page.locator("#notify-list li").first().textContent()).includes(title));
        assert.ok(labelTexts(await dump(device)).includes(title), "the platter shows the title as it was sent");
        await waitFor("a frame drawn after it", 10_000, () => page.evaluate((n) => window.__frames.count > n, before));
        await page.locator("#notify-clear-all").click();
        await waitFor("the list to empty", 10_000, async () => (await page.locator("#notify-list li").count()) === 0);
    });

    test("the log panel shows lines written after the page loaded, filtered and marked", async () => {
        const loaded = await page.locator("#log-lines li").count();
        assert.ok(loaded > 0, "the log's recent lines are shown on load");
        await simVerb("respring", device);  // writes new lines: the loader's decision, SpringBoard up again
        const up = page.locator("#log-lines li", { hasText: /SpringBoard: up \(pid/ });
        await waitFor("SpringBoard's new start in the log", 20_000, async () => (await up.count()) >= 2);
        const decision = page.locator("#log-lines li.log-loader", { hasText: "Loader: loading OrvelleiOS10.dylib" });
        assert.ok((await decision.count()) >= 2, "the loader's decisions are marked, the new one included");

        await page.locator("#log-program").selectOption("SpringBoard");
        await page.locator("#log-filter").fill("loader:");
        const texts = await page.locator("#log-lines li").allTextContents();
        assert.ok(texts.length >= 2, "the filter keeps the loader's lines");
        for (const text of texts) assert.match(text, /SpringBoard\[\d+\]: Loader:/);
        await page.locator("#log-filter").fill("");
        await page.locator("#log-program").selectOption("");
    });
});
