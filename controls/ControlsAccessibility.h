#pragma once
// How screen readers see the skinned controls: the region button as a push
// button named by its hint, the clickable label as a link, the gauge as a
// progress bar with its value. Each control installs this on construction;
// installing more than once is harmless. UI thread only.

void InstallControlsAccessibility();
