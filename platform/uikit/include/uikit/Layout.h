// The layout pass: views in a window that were marked with setNeedsLayout are
// laid out once per run-loop pass, parents before children. Each view marked
// gets layoutSubviews; a controller's root view also tells its controller
// (viewWillLayoutSubviews before, viewDidLayoutSubviews after).
#pragma once

namespace ui {
// Lays out every window's marked views now. The host calls it after each
// run-loop pass (before drawing); installLayoutPass() does that for hosts and
// tests that set no after-pass work of their own.
void layoutPass();
void installLayoutPass();
}  // namespace ui
