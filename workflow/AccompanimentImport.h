#pragma once
// Making a chosen MP3 or WMA file the accompaniment: it is converted into
// bgsound.wav in the temp folder by the conversion library for its kind
// (ostrel.so for MP3, pellin.so for WMA, both beside the program, loaded for
// the one call), and the window shows its name and length.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "workflow/MainWindowParts.h"

class AccompanimentImport {
public:
    // The open dialog: the chosen path, or "" when the user cancels.
    using ChooseFileFunction = std::function<QString()>;
    // Shows a small message window with `text` until the returned object is
    // destroyed.
    using ShowNoteFunction = std::function<std::unique_ptr<QObject>(const QString& text)>;

    AccompanimentImport(MainWindowParts& window, ChooseFileFunction chooseFile,
                        ShowNoteFunction showNote);

    void ButtonImportBGsoundClick();
    void ImportAccompaniment(const QString& path);

private:
    enum class Conversion { NotTried, Converted, Failed };
    Conversion Convert(const QString& path, const QString& song);
    void ForgetAccompaniment(const QString& song);
    void ShowAccompanimentLength(const QString& song);

    MainWindowParts& w_;
    ChooseFileFunction chooseFile_;
    ShowNoteFunction showNote_;
    QString failureCause_;  // of the last failed conversion, for the user
};
