// The Tweaks panel in a real headless browser: a package file chosen and
// installed from the page, its library shown loaded by the loader with its
// package, and removed again from the page; checked in the device itself; the
// panel's state said where the user looks.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { readPlist, simVerb, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

const ninePackage = process.env.ORVELLE_NINE_PACKAGE;
let served;
let page;
let device;

const rowOf = (library) => page.locator("#tweak-rows tr", { hasText: library });

describe("the Tweaks panel in a browser", () => {
    before(async () => {
        assert.ok(ninePackage && fs.existsSync(ninePackage), `no package to install: ${ninePackage}`);
        served = await serveToBrowser({ name: "tweaks", viewport: { width: 1600, height: 1000 } });
        ({ page, device } = served);
    });

    after(async () => { await served?.close(); });

    test("shows the tweak with the loader's decision and its package", async () => {
        const row = rowOf("OrvelleiOS10.dylib");
        await waitFor("the tweak's row", 20_000, async () => (await row.count()) === 1);
        const text = await row.textContent();
        assert.match(text, /loaded: filter matched/);
        assert.match(text, /com\.tovik\.orvelle 1\.4\.0/);
    });

    test("says when the clock panel is not on the lock screen, and why, there and on the Settings side", async () => {
        // A new device has the tweak's master switch off.
        const said = "The clock panel is not on the lock screen: the master switch is off.";
        await waitFor("the panel's state", 20_000, async () => (await page.locator("#panel-state").textContent()) === said);
        const banner = page.locator("#settings-panel-state");
        await waitFor("the Settings side's word", 10_000, async () => (await banner.isVisible()) && (await banner.textContent()) === said);
    });

    test("installs a chosen package file, and removes it", async () => {
        await page.locator("#package-form input[type=file]").setInputFiles(ninePackage);
        await page.locator("#package-form button[type=submit]").click();
        await waitFor("the install's note", 30_000, async () =>
            /com\.brannoch\.nine 1\.0 installed; SpringBoard restarted/.test(await page.locator("#tweaks-note").textContent()));
        await waitFor("Nine's row, loaded", 20_000, async () =>
            /loaded: filter matched.*com\.brannoch\.nine 1\.0/.test(await rowOf("nine.dylib").textContent().catch(() => "")));
        assert.match(await simVerb("packages", device), /^com\.brannoch\.nine 1\.0 Nine$/m);
        // Installed from the page, Nine is on, as create --with-nine leaves it.
        assert.equal(readPlist(path.join(device, "var/mobile/Library/Preferences/com.brannoch.nineprefs.plist"))?.tweakEnabled,
            true);

        // A removal names the package and is asked first; one click removes nothing.
        await page.getByRole("button", { name: "Remove Nine (com.brannoch.nine)" }).click();
        await page.waitForTimeout(500);
        assert.match(await simVerb("packages", device), /^com\.brannoch\.nine 1\.0 Nine$/m, "removed at one click");
        const question = page.locator("#package-list li.confirm");
        assert.match(await question.textContent(), /Remove Nine \(com\.brannoch\.nine\) from the device\?/);
        await question.getByRole("button", { name: "Cancel" }).click();
        assert.equal(await page.locator("#package-list li.confirm").count(), 0);
        // Orvelle itself says what goes with it.
        await page.getByRole("button", { name: "Remove Orvelle (com.tovik.orvelle)" }).click();
        assert.match(await page.locator("#package-list li.confirm").textContent(), /clock panel and its Settings pane/);
        await page.locator("#package-list li.confirm").getByRole("button", { name: "Cancel" }).click();

        await page.getByRole("button", { name: "Remove Nine (com.brannoch.nine)" }).click();
        await page.getByRole("button", { name: "Yes, remove Nine" }).click();
        await waitFor("the removal's note", 30_000, async () =>
            /com\.brannoch\.nine 1\.0 removed/.test(await page.locator("#tweaks-note").textContent()));
        await waitFor("Nine's row gone", 20_000, async () => (await rowOf("nine.dylib").count()) === 0);
        assert.doesNotMatch(await simVerb("packages", device), /com\.brannoch\.nine/);
        assert.ok(!fs.existsSync(path.join(device, "Library/MobileSubstrate/DynamicLibraries/nine.dylib")));
    });
});
