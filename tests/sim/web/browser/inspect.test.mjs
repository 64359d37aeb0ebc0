// The view tree on the page, in a real headless browser: with Inspect on, the
// view under the pointer is outlined, a click on the clock panel's time chooses
// that label (not a touch of the device), its facts and outline match the
// device's own dump, the clock block is named the tweak's, and a text the
// device holds is shown as text; with Inspect off, a click is a touch again.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";

import { dump, simVerb, timeLabel, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

let served;
let page;

describe("the view tree in a browser", () => {
    before(async () => {
        served = await serveToBrowser({
            name: "inspect",
            beforeBoot: async (device) => {
                await simVerb("settings", device, "set", "enableOVS", "true", "--type", "bool");
                await simVerb("settings", device, "set", "subTitle", "<img src=x onerror=alert(1)>");
            },
        });
        page = served.page;
        await waitFor("the first frame", 30_000, () => page.evaluate(() => window.__frames.count > 0));
    });

    after(async () => { await served?.close(); });

    test("a click while inspecting chooses the view under it and sends no touch", async () => {
        const label = await waitFor("the clock's time label in the dump", 30_000, async () => timeLabel(await dump(served.device)));
        await page.click("#inspect-toggle");
        await waitFor("the tree", 20_000, () => page.locator("#inspect-tree .view-row").count());
        const touchesBefore = await page.evaluate(() => window.__touches.size);

        const box = await page.locator("#screen").boundingBox();
        const screen = await page.evaluate(() => ({ w: document.getElementById("screen").width, h: document.getElementById("screen").height }));
        const status = await (await fetch(new URL("/api/status", served.address))).json();
        const sx = box.width / status.screen.width, sy = box.height / status.screen.height;
        const r = label.inWindow;
        // Under the pointer: outlined, with its class and frame in points.
        await page.mouse.move(box.x + (r.x + r.w / 2) * sx, box.y + (r.y + r.h / 2) * sy);
        const hover = await page.locator("#inspect-outline").textContent();
        assert.match(hover, /^UILabel \d/, `hover: ${hover}`);
        await page.mouse.click(box.x + (r.x + r.w / 2) * sx, box.y + (r.y + r.h / 2) * sy);

        const chosen = await page.locator("#inspect-tree .view-row.chosen .view-name").textContent();
        assert.match(chosen, new RegExp(`^UILabel “${label.view.text}”`), `chosen: ${chosen}`);
        const facts = await page.locator("#inspect-facts").textContent();
        assert.ok(facts.includes(`Library${label.view.library}`), `the label's library is named: ${facts}`);
        assert.ok(facts.includes(`${Math.round(r.w * 10) / 10} × ${Math.round(r.h * 10) / 10} at`), facts);

        // The outline lies over the label's place on the screen, within a pixel.
        const drawn = await page.locator("#inspect-outline").boundingBox();
        assert.ok(Math.abs(drawn.x - (box.x + r.x * sx)) < 1.5 && Math.abs(drawn.y - (box.y + r.y * sy)) < 1.5,
            `outline at ${JSON.stringify(drawn)}, label at ${JSON.stringify(r)} (screen ${JSON.stringify(screen)})`);
        assert.equal(await page.evaluate(() => window.__touches.size), touchesBefore, "no touch went to the device");

        // The clock block, chosen in the tree, is the tweak's.
        await page.locator("#inspect-tree .view-name", { hasText: /^OVClockDragView/ }).first().click();
        const block = await page.locator("#inspect-facts").textContent();
        assert.ok(block.includes("ClassOVClockDragViewLibraryOrvelleiOS10"), `the block's facts: ${block}`);
    });

    test("the device's texts are shown as text, never as the page's markup", async () => {
        await page.click("#inspect-refresh");
        await waitFor("the subtitle in the tree", 20_000,
            async () => (await page.locator("#inspect-tree").textContent()).includes("<img src=x onerror=alert(1)>"));
        assert.equal(await page.locator("#inspect-tree img").count(), 0);
    });

    test("with Inspect off a click touches the device again", async () => {
        await page.click("#inspect-toggle");
        assert.equal(await page.locator("#inspect-outline").isHidden(), true);
        const touchesBefore = await page.evaluate(() => window.__touches.size);
        const box = await page.locator("#screen").boundingBox();
        await page.mouse.click(box.x + box.width / 2, box.y + box.height * 0.8);
        await waitFor("the touch to go out", 5_000, () => page.evaluate((n) => window.__touches.size > n, touchesBefore));
        assert.ok(!served.log.includes("[page error]"), served.log);
    });
});
