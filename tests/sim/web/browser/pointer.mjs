// A finger on the live page's canvas, in the device's points, and raw HTTP to
// its server: what the browser tests do as a person would.
import http from "node:http";

import { sleep } from "./device.mjs";

export const centreOf = (r) => ({ x: r.x + r.w / 2, y: r.y + r.h / 2 });

export function pointerOn(page, address, holdMs) {
    async function onPage(p) {
        const box = await page.locator("#screen").boundingBox();
        const status = await (await fetch(address + "api/status")).json();
        return {
            x: box.x + (p.x * box.width) / status.screen.width,
            y: box.y + (p.y * box.height) / status.screen.height,
        };
    }

    async function longPress(at) {
        const p = await onPage(at);
        await page.mouse.move(p.x, p.y);
        await page.mouse.down();
        await sleep(holdMs);
        await page.mouse.up();
    }

    async function click(at) {
        const p = await onPage(at);
        await page.mouse.click(p.x, p.y);
        await sleep(400);  // the page sends the touches one after another
    }

    async function drag(from, to) {
        const a = await onPage(from);
        const b = await onPage(to);
        await page.mouse.move(a.x, a.y);
        await page.mouse.down();
        await page.mouse.move(b.x, b.y, { steps: 10 });
        await page.mouse.up();
    }

    // How much the canvas's pixels vary inside a rectangle of the screen (in
    // points): the spread of their brightness, 0 for a blank or one-colour area.
    function contrastIn(rect) {
        return page.evaluate(({ x, y, w, h }) => {
            const canvas = document.getElementById("screen");
            const status = window.__screen || { width: 375, height: 667 };
            const sx = canvas.width / status.width;
            const sy = canvas.height / status.height;
            const pixels = canvas.getContext("2d").getImageData(
                Math.round(x * sx), Math.round(y * sy), Math.max(1, Math.round(w * sx)), Math.max(1, Math.round(h * sy))).data;
            let lo = 255, hi = 0;
            for (let i = 0; i < pixels.length; i += 4) {
                if (pixels[i + 3] === 0) continue;  // nothing drawn there
                const luma = 0.299 * pixels[i] + 0.587 * pixels[i + 1] + 0.114 * pixels[i + 2];
                lo = Math.min(lo, luma);
                hi = Math.max(hi, luma);
            }
            return Math.max(0, hi - lo);
        }, rect);
    }

    // Raw HTTP to the server, with exactly the Host and path given.
    function rawGet(requestPath, headers) {
        const { port } = new URL(address);
        return new Promise((resolve, reject) => {
            const req = http.request({ host: "127.0.0.1", port, path: requestPath, method: "GET", headers, setHost: false },
                (res) => {
                    let body = "";
                    res.setEncoding("utf8").on("data", (c) => { body += c; });
                    res.on("end", () => resolve({ status: res.statusCode, body }));
                });
            req.setTimeout(10_000, () => req.destroy(new Error(`GET ${requestPath}: no answer in 10 s`)));
            req.on("error", reject);
            req.end();
        });
    }

    return { onPage, longPress, click, drag, contrastIn, rawGet };
}
