// The web simulator's page: the device's screen as it pushes it (regions drawn
// as they arrive), the mouse as a finger, the Settings app drawn from the
// pane's pages, and the device's controls in panels. The page says what it
// knows: live, the device down (and why), or the server gone. Each part is a
// module of its own; this one starts them.
import { embedded } from "./api.js";
import "./controls.js";
import "./inspect.js";
import "./record.js";
import { loadCrashReports } from "./crashes.js";
import { layoutScreen } from "./screen.js";
import { showPage } from "./settings.js";
import { state } from "./state.js";
import "./setup.js";
import { pollStatus } from "./status.js";
import { connectScreen } from "./stream.js";
import "./touches.js";
import "./tweaks.js";
import { startWorkbench } from "./workbench.js";

if (embedded) document.body.classList.add("embedded");
layoutScreen();
connectScreen();
pollStatus();
showPage("");
loadCrashReports();
startWorkbench();
setInterval(() => { if (!state.serverGone) loadCrashReports(); }, 15000);
