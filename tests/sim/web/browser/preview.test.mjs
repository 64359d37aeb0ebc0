// Previews in a real headless browser: a row read only when the lock screen
// is built (the clock's style) is marked pending and the lock screen after a
// restart is shown beside the live one at the device's pixels; a row that
// takes effect live (the time format) asks for no preview; Close keeps the
// change and the mark; Apply restarts the home screen, which clears both.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";

import { simVerb, springBoardPid, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

let served;
let page;
const previews = [];

const rowOf = (label) => page.locator("#settings-body .cell", { hasText: label });

describe("previews before a restart in a browser", () => {
    before(async () => {
        served = await serveToBrowser({
            name: "preview",
            beforeBoot: (device) => simVerb("settings", device, "set", "enableOVS", "true", "--type", "bool"),
        });
        page = served.page;
        page.on("request", (r) => { if (r.url().endsWith("/api/preview")) previews.push(r.url()); });
        await page.locator("#settings-body a", { hasText: "Orvelle" }).click();
        await waitFor("the pane's rows", 15_000, () => rowOf("Clock Style").count());
    });

    after(async () => { await served?.close(); });

    test("a row that takes effect live asks for no preview", async () => {
        await rowOf("Time Format").locator("select").selectOption({ index: 1 });
        await waitFor("the change to be stored", 10_000,
            async () => /2/.test(await simVerb("settings", served.device, "get", "timeFormat")));
        assert.equal(previews.length, 0);
        assert.equal(await rowOf("Time Format").locator(".pending-badge").count(), 0);
        assert.equal(await page.locator("#preview").isHidden(), true);
    });

    test("the style is marked pending and previewed; Close keeps the mark", async () => {
        await rowOf("Clock Style").locator("select").selectOption({ label: "Row" });
        await waitFor("the preview", 20_000, () => page.locator("#preview-image").evaluate((i) => !i.hidden && i.complete && i.naturalWidth > 0));
        assert.deepEqual(await page.locator("#preview-image").evaluate((i) => [i.naturalWidth, i.naturalHeight]), [750, 1334]);
        assert.equal(await rowOf("Clock Style").locator(".pending-badge").count(), 1);
        assert.match(await page.locator("#preview-note").textContent(), /clockStyle/);
        // Beside the live screen, not over it.
        const phone = await page.locator("#bezel").boundingBox();
        const shown = await page.locator("#preview-image").boundingBox();
        assert.ok(shown.x >= phone.x + phone.width, `preview at ${JSON.stringify(shown)}, phone at ${JSON.stringify(phone)}`);

        await page.click("#preview-close");
        assert.equal(await page.locator("#preview").isHidden(), true);
        assert.equal(await rowOf("Clock Style").locator(".pending-badge").count(), 1);
    });

    test("Apply restarts the home screen, which clears the mark", async () => {
        await rowOf("Heavier Time").locator("input").check({ force: true });
        await waitFor("the preview", 20_000, () => page.locator("#preview-image").isVisible());
        const pid = await springBoardPid(served.device);
        await page.click("#preview-apply");
        await waitFor("a new home screen", 60_000, async () => {
            const now = await springBoardPid(served.device);
            return now && now !== pid;
        });
        await waitFor("the marks to go", 15_000, async () => (await page.locator("#settings-body .pending-badge").count()) === 0);
        assert.equal(await page.locator("#preview").isHidden(), true);
        assert.ok(!served.log.includes("[page error]"), served.log);
    });
});
