#pragma once
// What keyboard and screen-reader users need of the main window beyond its
// controls' own behaviour: the Tab order, and names for the parts whose text
// alone does not say what they are.

class TFormMain;

// Tab goes "选取本地伴奏", record, preview, save, upload, minimise, help, close,
// then the two volume sliders and the site pane.
void MakeWindowAccessible(TFormMain& form);
