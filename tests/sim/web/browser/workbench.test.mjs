// The workbench panels in a real headless browser: the clock panel sets a
// time and the canvas draws a frame that shows it (each frame says the
// device's time it shows) while the panel's own labels say it; a notification
// posted from the form appears on the lock screen and in the panel's list;
// the log panel follows the device log as it is written.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";

import { dump, findViews, simVerb, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

let served;
let page;
let device;

const labelTexts = (d) => findViews(d.views, (v) => typeof v.text === "string").map((f) => f.view.text);

describe("the workbench in a browser", () => {
    before(async () => {
        served = await serveToBrowser({
            name: "workbench",
            viewport: { width: 1600, height: 1000 },
            beforeBoot: (d) => simVerb("settings", d, "set", "enableOVS", "true", "--type", "bool"),
            bootArgs: ["--tz", "UTC"],
        });
        ({ page, device } = served);
        await waitFor("the first frame", 30_000, () => page.evaluate(() => window.__frames.count > 0));
    });

    after(async () => { await served?.close(); });

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
