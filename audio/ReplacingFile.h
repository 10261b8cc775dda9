#pragma once
// A file written under a temporary name in its destination's folder and put
// in the destination's place (a rename) only when it is complete, so that a
// failed or abandoned write leaves a file already at the destination as it
// was. A destination that exists but is not a regular file (a device such as
// /dev/full, a pipe) is written in place: there is nothing to replace.
// A destination that is a symbolic link replaces the file it points to.

#include <QString>
#include <cstdio>
#include <memory>

class ReplacingFile {
public:
    explicit ReplacingFile(const QString& destination);
    // Closes the file and, unless it was committed, removes the temporary file.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file for reading and writing. False when it
    // cannot be made (a missing or read-only folder, a folder as destination).
    bool open();

    std::FILE* file() const { return file_.get(); }

    // Where the bytes are being written, for those who write into the file
    // by its name.
    QString writtenPath() const { return writtenPath_; }

    // Closes the file; false when buffered bytes could not be written.
    bool close();

    // Closes the file if it is open and moves it over the destination.
    // False when either fails; the temporary file is then removed.
    bool commit();

private:
    void discard();

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    QString destination_;
    QString target_;       // the destination, its symbolic links followed
    QString writtenPath_;  // the temporary file, or the target when written in place
    bool inPlace_ = false;
    bool committed_ = false;
    std::unique_ptr<std::FILE, Closer> file_;
};
