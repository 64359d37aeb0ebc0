// The Settings side with two panes installed (Orvelle and the example tweak):
// it opens on the list of panes as the device's Settings app lists them, each
// opens its own pages, and Back returns to the list.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { readPlist, simVerb, sleep, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

const lumenPackage = process.env.ORVELLE_LUMEN_PACKAGE;
let served;
let page;

const title = () => page.locator("#settings-title").textContent();
const rowLinks = () => page.locator("#settings-body a.row-link").allTextContents();

async function open(label) {
    await page.locator("#settings-body a.row-link", { hasText: label }).click();
    await waitFor(`the page "${label}"`, 10_000, async () => (await title()) === label);
}

async function back() {
    await page.locator("#back").click();
}

describe("the Settings side with two panes", () => {
    before(async () => {
        assert.ok(lumenPackage && fs.existsSync(lumenPackage), `no example package: ${lumenPackage}`);
        served = await serveToBrowser({ name: "settings", packages: [lumenPackage] });
        page = served.page;
    });
    after(async () => { await served?.close(); });

    test("lists both panes, opens each, and goes back", async () => {
        await waitFor("the list of panes", 10_000, async () => (await rowLinks()).length === 2);
        assert.equal(await title(), "Settings");
        assert.deepEqual(await rowLinks(), ["Lumen", "Orvelle"]);
        assert.equal(await page.locator("#back").isVisible(), false, "no Back on the list itself");

        await open("Lumen");
        assert.ok(await page.locator("#back").isVisible(), "Back is offered on a pane");
        const greeting = page.locator("#settings-body .cell", { hasText: "Text" }).locator("input[type=text]");
        await greeting.fill("Hi from the page");
        await greeting.press("Enter");
        const lumenSettings = path.join(served.device, "var/mobile/Library/Preferences/com.example.lumen.plist");
        await waitFor("the greeting in Lumen's settings", 10_000,
            () => readPlist(lumenSettings)?.greeting === "Hi from the page");

        await back();
        await waitFor("the list again", 10_000, async () => (await title()) === "Settings");
        assert.deepEqual(await rowLinks(), ["Lumen", "Orvelle"]);

        await open("Orvelle");
        assert.ok(await page.locator("#settings-body .header-cell", { hasText: "Orvelle" }).isVisible());
        // Orvelle's own pages go on from there, and Back walks the same way home.
        await open("More Options");
        await back();
        await waitFor("Orvelle's page again", 10_000, async () => (await title()) === "Orvelle");
        await back();
        await waitFor("the list again", 10_000, async () => (await title()) === "Settings");
        assert.equal(await page.locator("#back").isVisible(), false);
    });

    test("a refresh of the list that answers late does not cover the page a click opened meanwhile", async () => {
        // The list, asked again because the settings changed elsewhere, answers after the page opened.
        let held = 0;
        await page.route(/\/api\/prefs\?page=$/, async (route) => {
            held++;
            await sleep(1500);
            await route.continue();
        });
        await simVerb("settings", served.device, "set", "disFlashing", "true", "--type", "bool");
        await waitFor("the list asked for again", 10_000, () => held > 0);
        await open("Orvelle");
        await sleep(2500);  // past the late answer
        assert.equal(await title(), "Orvelle");
        await page.unroute(/\/api\/prefs\?page=$/);
        await back();
        await waitFor("the list again", 10_000, async () => (await title()) === "Settings");
    });
});
