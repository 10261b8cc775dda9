#pragma once
// What the site pane's browser engine needs to know before the application
// object exists. The engine is loaded later (webpane.so), after the window
// is on screen, so it finds the process set up here.

// Runs the engine without its sandbox when the program runs as root (the
// sandbox refuses to start then), and draws the pane in software: the
// window then needs no OpenGL context of its own, which would hold up its
// first appearance and make the toolkit re-create it once the pane comes.
void PrepareBrowserEngine();
