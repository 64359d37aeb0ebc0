// Two devices served on one page in a real headless browser: each shown with
// its own page side by side or one at a time, a touch on one reaching that one
// alone, "same change on every device" reaching both, and a device stopped
// under the page leaving the other live.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";

import { clockBlock, dump, markUpdateNoticeSeen, simVerb, sleep, waitFor } from "./device.mjs";
import { centreOf } from "./pointer.mjs";
import { serveToBrowser } from "./served.mjs";

let served;
let page;
let frames;  // each device's page, by its index

const tabPill = (i) => page.locator("#switcher .tab").nth(i).locator(".pill");
const rowOf = (frame, label) => frame.locator("#settings-body .cell", { hasText: label });

// A long press on a device's screen, at a place in its points.
async function longPressOn(i, at) {
    const box = await frames[i].locator("#screen").boundingBox();
    const status = await (await fetch(`${served.address}d/${i}/api/status`)).json();
    const x = box.x + (at.x * box.width) / status.screen.width;
    const y = box.y + (at.y * box.height) / status.screen.height;
    await page.mouse.move(x, y);
    await page.mouse.down();
    await sleep(800);
    await page.mouse.up();
}

describe("several devices on one page in a browser", () => {
    before(async () => {
        served = await serveToBrowser({
            name: "devices",
            devices: 2,
            beforeBoot: async (device) => {
                markUpdateNoticeSeen(device);
                await simVerb("settings", device, "set", "enableOVS", "true", "--type", "bool");
            },
        });
        page = served.page;
        frames = [0, 1].map((i) => page.frameLocator(`#wall iframe[src="/d/${i}/"]`));
    });

    after(async () => { await served?.close(); });

    test("each device is shown side by side with its own page, its phone fitting its frame", async () => {
        assert.deepEqual(await page.locator("#switcher .tab .name").allTextContents(), ["device", "device-2"]);
        const boxes = await Promise.all([0, 1].map((i) => page.locator(`#wall iframe[src="/d/${i}/"]`).boundingBox()));
        assert.ok(boxes[0].x + boxes[0].width <= boxes[1].x + 1, `side by side: ${JSON.stringify(boxes)}`);
        for (const i of [0, 1]) {
            const phone = await frames[i].locator("#bezel").boundingBox();
            const frame = boxes[i];
            assert.ok(phone.x >= frame.x && phone.x + phone.width <= frame.x + frame.width + 1,
                `device ${i}'s phone ${JSON.stringify(phone)} outside its frame ${JSON.stringify(frame)}`);
            assert.equal(await frames[i].locator("#connection").textContent(), "live");
        }
    });

    test("a touch on one device changes only that one", async () => {
        const [a, b] = served.devices;
        const block = clockBlock(await dump(b));
        assert.ok(block, "no clock block on the second device");
        await longPressOn(1, centreOf(block.inWindow));
        await waitFor("the second device's clock to enter move mode", 10_000,
            async () => clockBlock(await dump(b)).view.alpha === 0.5);
        assert.equal(clockBlock(await dump(a)).view.alpha, 1, "the first device's clock moved too");
        await longPressOn(1, centreOf(block.inWindow));  // and out of move mode again
        await waitFor("the second device's clock to leave move mode", 10_000,
            async () => clockBlock(await dump(b)).view.alpha === 1);
    });

    test("with \"same change on every device\", a switch flipped on one device is flipped on both", async () => {
        await page.locator("#same-change").check();
        await frames[0].locator("#settings-body a", { hasText: "Orvelle" }).click();
        await waitFor("the pane's rows", 15_000, () => rowOf(frames[0], "Heavier Time").count());
        // Above the phone, which stays in view while the rest scrolls under it.
        const row = rowOf(frames[0], "Heavier Time");
        await row.evaluate((e) => e.scrollIntoView({ block: "end" }));
        await row.locator(".switch").click();
        for (const device of served.devices) {
            await waitFor(`useBold stored on ${device}`, 15_000,
                async () => /true|1/.test(await simVerb("settings", device, "get", "useBold")));
        }
        await waitFor("the page to say the change reached the other device", 10_000,
            async () => /device-2 done/.test(await page.locator("#wall-note").textContent()));
    });

    test("one at a time, a tab chooses the device shown", async () => {
        await page.click("#one-at-a-time");
        const visible = () => Promise.all([0, 1].map((i) => page.locator(`#wall iframe[src="/d/${i}/"]`).isVisible()));
        assert.deepEqual(await visible(), [true, false]);
        await page.locator("#switcher .tab").nth(1).click();
        assert.deepEqual(await visible(), [false, true]);
        await page.click("#side-by-side");
        assert.deepEqual(await visible(), [true, true]);
    });

    test("a device stopped under the page leaves the other live", async () => {
        await simVerb("shutdown", served.devices[1]);
        await waitFor("the second device's tab to say down", 30_000, async () => /down/.test(await tabPill(1).textContent()));
        assert.equal(await tabPill(0).textContent(), "live");
        const drawn = () => frames[0].locator("#screen").evaluate(() => window.__frames.count);
        const before = await drawn();
        await waitFor("the first device's screen to go on drawing", 10_000, async () => (await drawn()) > before);
        const status = await fetch(`${served.address}d/0/api/status`);
        assert.equal(status.status, 200);
    });
});
