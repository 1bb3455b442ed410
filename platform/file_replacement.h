#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

// What decides whether a file may be replaced by renaming a new one over it.
struct FileFacts {
    mode_t mode = 0; // type and permission bits
    uid_t owner = 0;
    gid_t group = 0;
    nlink_t links = 0;
    bool extendedAttributes = false; // an ACL or any other extended attribute
};

// A new file renamed over `file` leaves it as it was for its users only when it is an ordinary
// file of `user` with one name, no set-id or sticky bit, no ACL or other extended attribute, and
// the group a new file of `user` gets in its folder (`newGroup`). Any other file is written into.
bool replaceableByRename(const FileFacts& file, uid_t user, gid_t newGroup);

// The path a path ends at: a symbolic link at its end is followed, also to a file not yet there.
// Empty when the links go round (errno ELOOP) or one cannot be read.
QByteArray finalPath(const QByteArray& path);

// Whether two paths name the same file, by whatever name or link: by device and inode where both
// are there, else by the folder and name their links end at.
bool sameFile(const QString& a, const QString& b);

// The German text of a file error (an errno value), without a full stop.
QString fileErrorText(int error);

// A file written whole. What is written goes to a temporary file first, so that an export that
// fails (a full disk, a size limit) or a program that ends on the way leaves an earlier file of
// the name as it was. The commit renames the temporary file over it where replaceableByRename
// says so; any other file is written into, as editors do, so that it keeps its owner, its other
// names, its ACL and attributes; only that last copy can leave it half written. A device or pipe
// is written directly.
class FileReplacement {
public:
    // What the name holds after a failure.
    enum class Left {
        Nothing,    // no file was there, and none is
        Earlier,    // the earlier file, unchanged
        Incomplete, // a part of what was written
    };

    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False (with error()) when the file can be neither written nor created.
    bool open(const QString& path);
    bool isOpen() const { return fd_ >= 0; }
    bool write(const char* data, qsizetype size);
    // Puts what was written in place of the earlier file.
    bool commit();
    // Drops what was written; the earlier file stays as it was.
    void discard();

    int error() const { return error_; }
    Left left() const { return left_; }

private:
    enum class Way { Direct, Rename, Into };

    bool fail(Left left);
    bool replaceable(const struct stat& st) const;
    bool keepsWhatItIs(const struct stat& st);
    bool makeTemporary(mode_t mode);
    bool useAsScratch();
    bool openScratchElsewhere();
    bool copyInto();

    Way way_ = Way::Direct;
    int fd_ = -1;          // where the writes go
    int folder_ = -1;      // the target's folder
    QByteArray target_;    // the file's path, links followed
    QByteArray name_;      // its name in its folder
    QByteArray temporary_; // the temporary file's name in the folder while it has one
    int error_ = 0;
    Left left_ = Left::Nothing;
};

} // namespace platform
