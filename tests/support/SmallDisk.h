#pragma once
// A real, small file system for disk-full tests: a tmpfs of a few KiB mounted
// on a fresh folder inside a mount namespace of this test process only, so
// nothing outside the process ever sees it. Needs root; `available()` is
// false (and the test should skip) where that is not allowed.

#include <QString>
#include <QTemporaryDir>

// What a test that needs one says when it skips.
inline constexpr char kNoSmallDisk[] = "no small file system can be mounted here (needs root)";

class SmallDisk {
public:
    explicit SmallDisk(int kibibytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool available() const { return mounted_; }
    QString path(const QString& name = QString()) const;

    // Fills the remaining space with one file, so the next write fails.
    void fill();

    // Mounts the disk again read-only, as an installed program's folder may
    // be: nobody, root included, can write to it any more.
    bool makeReadOnly();

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
