// A device (or several) served to a headless browser for one test file: made
// with orvelle-sim (packages installed, booted), `serve` on a free port, the
// system's Chromium with an empty profile; all of it ended by close().
import { spawn } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";

import { sim, simVerb, waitFor } from "./device.mjs";

const modules = process.env.ORVELLE_NODE_MODULES || path.dirname(new URL(import.meta.url).pathname);
const { chromium } = createRequire(path.join(modules, "package.json"))("playwright-core");
const browserPath = process.env.ORVELLE_CHROMIUM || "/usr/bin/chromium";

// options: { name, packages: [file.deb], viewport: { width, height }, colorScheme, createArgs: [...] or (i) => [...],
//            beforeBoot: async (device) => {...}, bootArgs: [...], devices: how many (1) }
// Several devices are served on one page: `served.devices` holds their folders.
export async function serveToBrowser(options = {}) {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), `orvelle-${options.name || "browser"}-`));
    fs.chmodSync(work, 0o711);  // the device's own user passes through
    const count = options.devices || 1;
    const devices = Array.from({ length: count }, (_, i) => path.join(work, i ? `device-${i + 1}` : "device"));
    const served = { work, device: devices[0], devices, log: "", serve: null, context: null, page: null };

    served.close = async () => {
        const failures = [];
        const attempt = async (what, f) => { try { await f(); } catch (e) { failures.push(`${what}: ${e.message}`); } };
        await attempt("closing the browser", () => served.context?.close());
        await attempt("stopping serve", async () => {
            const child = served.serve;
            if (!child || child.exitCode !== null || child.signalCode !== null) return;
            const ended = new Promise((resolve) => child.once("exit", resolve));
            child.kill("SIGTERM");
            const timer = setTimeout(() => child.kill("SIGKILL"), 10_000);
            await ended;
            clearTimeout(timer);
        });
        for (const device of devices) await attempt(`shutting ${device} down`, () => simVerb("shutdown", device));
        fs.rmSync(work, { recursive: true, force: true });
        if (failures.length) console.error(failures.join("\n"));
    };

    try {
        for (const device of devices) {
            const createArgs = typeof options.createArgs === "function" ? options.createArgs(devices.indexOf(device))
                : options.createArgs;
            await simVerb("create", device, ...(createArgs || []));
            for (const file of options.packages || []) await simVerb("install", device, file);
            if (options.beforeBoot) await options.beforeBoot(device);
            await simVerb("boot", device, ...(options.bootArgs || []));
        }
        served.serve = spawn(sim, ["serve", ...devices, "--port", "0"], { stdio: ["ignore", "pipe", "pipe"] });
        for (const stream of [served.serve.stdout, served.serve.stderr]) {
            stream.setEncoding("utf8").on("data", (c) => { served.log += c; });
        }
        served.address = await waitFor("serve to print its address", 60_000,
            () => /Serving .* at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(served.log)?.[1]);
        served.context = await chromium.launchPersistentContext(path.join(work, "profile"), {
            executablePath: browserPath,
            headless: true,
            args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync"],
            viewport: options.viewport || { width: 1440, height: 900 },
            colorScheme: options.colorScheme || "light",
        });
        served.page = served.context.pages()[0] || await served.context.newPage();
        served.page.on("pageerror", (e) => { served.log += `\n[page error] ${e.message}`; });
        await served.page.goto(served.address, { timeout: 30_000 });
        // One device's page has its own pill; the page of several, a pill on each device's tab.
        const pills = served.page.locator(count > 1 ? "#switcher .pill" : "#connection");
        await waitFor(count > 1 ? "every device's tab to say live" : "the page to say live", 30_000, async () => {
            const said = await pills.allTextContents();
            return said.length === count && said.every((t) => t === "live");
        });
    } catch (e) {
        await served.close();
        throw new Error(`${e.message}\nserve printed:\n${served.log}`);
    }
    return served;
}
