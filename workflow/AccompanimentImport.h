#pragma once
// Making a chosen MP3 or WMA file the accompaniment: it is converted into
// bgsound.wav in the temp folder by the conversion library for its kind
// (ostrel.so for MP3, pellin.so for WMA, both beside the program, loaded for
// the one call), and the window shows its name and length.

#include <QString>

#include "workflow/Session.h"

class AccompanimentImport {
public:
    explicit AccompanimentImport(Session& session) : s_(session) {}

    void ButtonImportBGsoundClick();
    void ImportAccompaniment(const QString& path);

private:
    // Converted: true; no library for the file's kind: false.
    Result<bool> Convert(const QString& path, const QString& song);
    void ForgetAccompaniment(const QString& song, const Failure& failure);
    void ShowAccompanimentLength(const QString& song);

    Session& s_;
};
