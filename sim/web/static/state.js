// What the page knows of the device and of itself, shared by its parts.
export const state = {
  screen: { width: 375, height: 667, scale: 2 },
  pages: [""],
  zoom: "fit",
  device: "connecting",  // live | starting | down | connecting
  serverGone: false,
  pending: new Set(),  // settings stored but shown only after the next restart of the home screen
  inspecting: false,  // a click on the screen chooses a view instead of touching
};

// Whether the clock panel is on the lock screen ({ shown, reason }, or null
// when the home screen did not say), as the Tweaks panel last heard it.
const panelWatchers = [];
export function onPanel(watcher) { panelWatchers.push(watcher); }
export function tellPanel(panel) { for (const watcher of panelWatchers) watcher(panel); }
