#pragma once
// The toolkit's own texts (the buttons of dialogs and message boxes, the file
// dialogs, the site pane's context menu) in the desktop's language. The
// program's own texts are Chinese as they stand and are not translated.

#include <QLocale>

// Installs the toolkit's translations for `locale` (by default the desktop's:
// LANGUAGE, LC_ALL, LC_MESSAGES, LANG) into the application. Returns whether
// the base translations were found; English needs none.
bool LoadToolkitTranslations(const QLocale& locale = QLocale());
