// The page laid out as people open it: a refused setup change said beside the
// control that asked, with the choice kept; every panel reachable with the
// phone still in view at common window sizes; the lock and status bar panel
// reaching the phone; the phone's frame seen on a dark page; a picture of the
// user's as the wallpaper.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";

import { dump, findViews, simVerb, sleep, waitFor } from "./device.mjs";
import { serveToBrowser } from "./served.mjs";

let served;
let page;

const inViewport = (box, viewport) =>
    box && box.y >= 0 && box.x >= 0 && box.y + box.height <= viewport.height + 0.5 && box.x + box.width <= viewport.width + 0.5;

async function status() {
    return (await fetch(served.address + "api/status")).json();
}

describe("the page's layout", () => {
    before(async () => {
        served = await serveToBrowser({ name: "layout", viewport: { width: 1440, height: 1000 } });
        page = served.page;
    });
    after(async () => { await served?.close(); });

    test("a refused setup change is said beside the control that asked, and the choice stays", async () => {
        const form = page.locator("#device-form");
        const version = form.locator("select[name=systemVersion]");
        const screen = form.locator("select[name=screen]");
        await waitFor("the form filled from the device", 10_000, async () => (await version.inputValue()) === "11.1.2");
        await version.selectOption("10.3.3");
        await screen.selectOption("375x812");
        await form.locator("button[type=submit]").click();
        const note = page.locator("#setup-note");
        await waitFor("the refusal", 10_000, async () => /is not one of the iPhone screens/.test(await note.textContent()));
        // It says what is accepted.
        assert.match(await note.textContent(), /of system 10\.3\.3: 320x568@2, 375x667@2, 414x736@3 \(the 375x812 screen came with system 11\.0\)/);

        const viewport = page.viewportSize();
        const noteBox = await note.boundingBox();
        const screenBox = await screen.boundingBox();
        assert.ok(inViewport(noteBox, viewport), `the refusal is outside the window: ${JSON.stringify(noteBox)}`);
        assert.ok(noteBox.y >= screenBox.y + screenBox.height && noteBox.y - (screenBox.y + screenBox.height) < 40,
            `the refusal is not beside the screen's field: ${JSON.stringify({ noteBox, screenBox })}`);
        assert.equal(await screen.getAttribute("aria-invalid"), "true");

        // The status is polled every two seconds: the choice outlives a few.
        await sleep(4500);
        assert.equal(await version.inputValue(), "10.3.3");
        assert.equal(await screen.inputValue(), "375x812");
        const now = await status();
        assert.equal(now.systemVersion, "11.1.2", "the device stayed as it was");
        assert.deepEqual([now.screen.width, now.screen.height], [375, 667]);

        // Changing what was refused takes the refusal away; the rest of the choice stays.
        await screen.selectOption("375x667");
        assert.equal(await note.textContent(), "");
        assert.equal(await screen.getAttribute("aria-invalid"), null);
        assert.equal(await version.inputValue(), "10.3.3");
        await version.selectOption("11.1.2");
    });

    test("the lock and status bar panel reaches the phone and says what is in force", async () => {
        await page.setViewportSize({ width: 1440, height: 1000 });
        const note = page.locator("#phone-note");
        const callToAction = async () => findViews((await dump(served.device)).views,
            (v) => typeof v.text === "string" && /^Press home to/.test(v.text)).map((f) => f.view.text);
        await page.locator("#lock-unlocked").click();
        await waitFor("the unlocked note", 10_000, async () => /Unlocked/.test(await note.textContent()));
        assert.deepEqual(await callToAction(), ["Press home to open"]);
        await page.locator("#lock-locked").click();
        await waitFor("the locked note", 10_000, async () => (await note.textContent()) === "Locked.");
        assert.deepEqual(await callToAction(), ["Press home to unlock"]);

        const form = page.locator("#statusbar-form");
        await form.locator("input[name=carrier]").fill("Orvelle");
        await form.locator("input[name=battery]").fill("42");
        await form.locator("select[name=charging]").selectOption("yes");
        await form.locator("button[type=submit]").click();
        await waitFor("the overrides in force", 10_000,
            async () => (await note.textContent()) === "Status bar: carrier “Orvelle”, battery 42 %, charging.");
        assert.match(await simVerb("statusbar", served.device), /carrier "Orvelle" battery 42% charging/);
        await page.locator("#statusbar-clear").click();
        await waitFor("the device's own", 10_000, async () => (await note.textContent()) === "Status bar: the device's own.");
    });

    // Each panel's own control, as a person would reach it.
    const controls = [
        ["the Settings list", "#settings-body a.row-link"],
        ["the restart", "#respring"],
        ["the weather", "#weather-form button[type=submit]"],
        ["the media", "#media-play"],
        ["the lock and status bar", "#statusbar-form button[type=submit]"],
        ["the setup", "#device-form button[type=submit]"],
        ["the wallpaper picture", "#wallpaper-form button[type=submit]"],
        ["the crash reports", "#crash-list li"],
        ["the tweaks", "#tweak-rows tr"],
        ["the package install", "#package-form button[type=submit]"],
    ];

    for (const [width, height] of [[1280, 800], [1440, 900], [1920, 1080], [390, 844]]) {
        test(`at ${width} x ${height} every panel is reachable with the phone in view`, async () => {
            await page.setViewportSize({ width, height });
            await page.evaluate(() => window.scrollTo(0, 0));
            await sleep(300);
            const viewport = page.viewportSize();
            const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
            assert.ok(overflow <= 0, `the page is ${overflow} px wider than the window`);
            for (const [what, selector] of controls) {
                const control = page.locator(selector).first();
                await waitFor(`${what} on the page`, 10_000, async () => (await control.count()) === 1);
                // Scrolled to, not covered by anything, and able to take a click.
                await control.click({ trial: true, timeout: 5_000 });
                const box = await control.boundingBox();
                assert.ok(inViewport(box, viewport), `${what} is not in the window: ${JSON.stringify(box)}`);
                const screen = await page.locator("#screen").boundingBox();
                assert.ok(inViewport(screen, viewport),
                    `with ${what} in view the phone's screen is not: ${JSON.stringify(screen)}`);
            }
        });
    }

    test("on a dark page the phone's frame stands out", async () => {
        await page.setViewportSize({ width: 1440, height: 900 });
        await page.emulateMedia({ colorScheme: "dark" });
        await page.evaluate(() => window.scrollTo(0, 0));
        await sleep(300);
        const bezel = await page.locator("#bezel").boundingBox();
        const y = Math.round(bezel.y + bezel.height / 2);
        const x = Math.round(bezel.x);
        const shot = await page.screenshot({ clip: { x: x - 16, y, width: 32, height: 1 } });
        // The row across the frame's left edge, as the browser drew it.
        const row = await page.evaluate(async (png) => {
            const image = new Image();
            image.src = `data:image/png;base64,${png}`;
            await image.decode();
            const canvas = document.createElement("canvas");
            canvas.width = image.width;
            canvas.height = image.height;
            const c = canvas.getContext("2d");
            c.drawImage(image, 0, 0);
            const d = c.getImageData(0, 0, image.width, 1).data;
            const out = [];
            for (let i = 0; i < d.length; i += 4) out.push(0.299 * d[i] + 0.587 * d[i + 1] + 0.114 * d[i + 2]);
            return out;
        }, shot.toString("base64"));
        const scale = row.length / 32;
        const background = row[Math.round(2 * scale)];
        const edge = Math.max(...row.slice(Math.round(12 * scale), Math.round(22 * scale)).map((v) => Math.abs(v - background)));
        assert.ok(edge >= 30, `the frame differs from the page by ${edge.toFixed(1)} of 255 in brightness: ${row.map(Math.round)}`);
        await page.emulateMedia({ colorScheme: "light" });
    });

    test("a picture chosen on the page becomes the wallpaper; a file that is none is refused saying why", async () => {
        const form = page.locator("#wallpaper-form");
        const note = page.locator("#wallpaper-note");
        const input = form.locator("input[name=picture]");
        await input.setInputFiles({ name: "notes.png", mimeType: "image/png", buffer: Buffer.from("not a picture at all") });
        await form.locator("button[type=submit]").click();
        await waitFor("the refusal", 10_000, async () => /the picture cannot be the wallpaper/.test(await note.textContent()));
        await input.setInputFiles({ name: "tiny.png", mimeType: "image/png", buffer: Buffer.from("iVBORw0KGgoAAAANSUhEUgAAAAQAAAADCAYAAAC09K7GAAAAKklEQVR4nBXIMQEAIBDEsApDxMu5ESmIOH9QhiwB9l2KKhhDUefHMRRVD1AJGe2KuLY9AAAAAElFTkSuQmCC", "base64") });
        await form.locator("button[type=submit]").click();
        await waitFor("the new wallpaper", 20_000, async () => (await note.textContent()) === "tiny.png is the wallpaper.");
        assert.match((await status()).wallpaper, /^\/var\/mobile\/Library\/SpringBoard\/LockBackground-[0-9a-f]+\.png$/);
    });
});
